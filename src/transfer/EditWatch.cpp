#include "transfer/EditWatch.h"

#include <QFile>

#include <sys/stat.h>

namespace zentaro {

EditWatch::EditWatch(StatFunction stat) : m_stat(std::move(stat)) {}

EditWatch::Stamp EditWatch::SystemStat(const QString& path)
{
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return std::nullopt;
    return qint64(info.st_mtim.tv_sec) * 1000000000 + qint64(info.st_mtim.tv_nsec);
}

bool EditWatch::start(const QString& path)
{
    stop();
    const Stamp now = m_stat(path);
    if (!now)
        return false;
    m_path = path;
    m_baseline = *now;
    m_watching = true;
    return true;
}

void EditWatch::stop()
{
    m_watching = false;
}

EditWatch::Tick EditWatch::tick()
{
    if (!m_watching)
        return Tick::Idle;
    const Stamp now = m_stat(m_path);
    if (!now) {
        m_watching = false;
        return Tick::Gone;
    }
    if (*now == m_baseline)
        return Tick::Unchanged;
    m_watching = false;
    return Tick::Changed;
}

} // namespace zentaro
