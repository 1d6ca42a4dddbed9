#include "transfer/ExtractionFolder.h"

#include "core/PathText.h"
#include "core/ProgramState.h"
#include "transfer/ProgressHost.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace zentaro {

ExtractionFolder::ExtractionFolder(QString folder, Remover remover)
    : m_folder(std::move(folder)), m_remove(std::move(remover))
{
    if (!m_remove)
        m_remove = [](const QString& path) { return QFile::remove(path); };
}

bool ExtractionFolder::Ensure() const
{
    if (m_folder.isEmpty() || !QDir().mkpath(m_folder))
        return false;
    return QFile::setPermissions(m_folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                               | QFileDevice::ExeOwner | QFileDevice::ReadUser
                                               | QFileDevice::WriteUser | QFileDevice::ExeUser);
}

void ExtractionFolder::overwriteWithZeros(const QString& path)
{
    const QByteArray native = QFile::encodeName(path);
    const int fd = ::open(native.constData(), O_WRONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return;
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_nlink != 1) {
        ::close(fd);
        return;
    }
    std::vector<char> zeros(1 << 20, '\0');
    off_t left = info.st_size;
    bool ok = true;
    while (ok && left > 0) {
        const size_t take = static_cast<size_t>(std::min<off_t>(left, static_cast<off_t>(zeros.size())));
        const ssize_t wrote = ::write(fd, zeros.data(), take);
        ok = wrote > 0;
        if (ok)
            left -= wrote;
    }
    ::fsync(fd);
    ::close(fd);
}

int ExtractionFolder::ClearExtractFolder(bool overwrite) const
{
    QDir folder(m_folder);
    if (m_folder.isEmpty() || !folder.exists())
        return 0;
    int left = 0;
    const QStringList names = folder.entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& name : names) {
        const QString path = PathText::join(m_folder, name);
        if (overwrite && !QFileInfo(path).isSymLink())
            overwriteWithZeros(path);
        // A link is removed itself; what it points at is never touched.
        if (!m_remove(path))
            ++left;
    }
    return left;
}

void ExtractionFolder::SecurityWipe(int wipeAmount, ProgramState& state, ProgressHost& host) const
{
    ClearExtractFolder(true);
    const int n = std::max(wipeAmount, 0);
    state.CancelRequested = false;
    Progress& bar = host.OpenProgress(kWipeText, true);
    bar.setPercent(0);
    // The window is painted whole before the work starts.
    for (int i = 0; i < 1000; ++i)
        host.Yield();
    int shown = 0;
    for (int i = 0; i <= n; ++i) {
        QFile entry(PathText::join(m_folder, WipeFileName(i)));
        if (entry.open(QIODevice::WriteOnly | QIODevice::Truncate))
            entry.close();
        const int percent = n == 0 ? 100 : static_cast<int>(std::floor(double(i) / n * 100.0));
        if (percent != shown) {
            shown = percent;
            bar.setPercent(percent);
        }
        host.Yield();
        if (state.CancelRequested || bar.cancelRequested())
            break;
    }
    host.CloseProgress();
    state.CancelRequested = false;
    ClearExtractFolder();
}

} // namespace zentaro
