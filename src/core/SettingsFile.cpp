#include "core/SettingsFile.h"

#include "core/DiskSync.h"
#include "core/FileWriter.h"

#include "core/RecordReader.h"
#include "core/RecordWriter.h"
#include "core/SettingsDefaults.h"
#include "core/Version.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <cstring>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zentaro {

namespace {

Status ioFailure(const QString& path, int error)
{
    const ErrorCode code = error == ENOSPC || error == EDQUOT ? ErrorCode::DiskFull : ErrorCode::Io;
    return Status::failure(code, QStringLiteral("The settings file %1 could not be written: %2")
                                     .arg(path, QString::fromLocal8Bit(std::strerror(error))));
}

// A new file beside the target; removed again unless it was renamed.
struct TempFile
{
    int fd = -1;
    QByteArray encodedPath;

    Status create(const QString& target)
    {
        for (int attempt = 0; attempt < 16; ++attempt) {
            const QString name = QStringLiteral("%1.%2.tmp").arg(
                target, QString::number(QRandomGenerator::global()->generate(), 16));
            encodedPath = QFile::encodeName(name);
            fd = ::open(encodedPath.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (fd >= 0)
                return Status::success();
            if (errno != EEXIST)
                break;
        }
        const int error = errno;
        encodedPath.clear();
        return ioFailure(target, error);
    }

    Status writeAll(const QByteArray& bytes, const QString& target) const
    {
        if (const int error = FileWriter::writeAll(fd, bytes.constData(), bytes.size()))
            return ioFailure(target, error);
        return Status::success();
    }

    ~TempFile()
    {
        if (fd >= 0)
            ::close(fd);
        if (!encodedPath.isEmpty())
            ::unlink(encodedPath.constData());
    }
};

} // namespace

SettingsFile::SettingsFile(SettingsRecord& settings, Place place, Drive::Lookup lookup)
    : m_settings(settings),
      m_place(std::move(place)),
      m_lookup(std::move(lookup)),
      m_screenWidthTwips(SettingsDefaults::kFallbackScreenWidthTwips)
{
}

void SettingsFile::setScreenWidthTwips(double twips)
{
    m_screenWidthTwips = twips > 0 ? twips : SettingsDefaults::kFallbackScreenWidthTwips;
}

SettingsRecord SettingsFile::defaults() const
{
    return SettingsDefaults::record(m_place.programVersion, m_place.programFolder, m_place.defaultLibrary,
                                    Drive::rootOf(m_place.programFolder, m_lookup), m_screenWidthTwips);
}

Status SettingsFile::LoadConfig()
{
    const QString& path = m_place.filePath;
    SettingsRecord& settings = m_settings;
    Status result;
    bool writeBack = true;

    QFile file(path);
    if (!file.exists()) {
        settings = defaults();
    } else if (!file.open(QIODevice::ReadOnly)) {
        // Something is there that cannot be read now; run on defaults and
        // leave it alone rather than overwrite settings that may come back.
        settings = defaults();
        writeBack = false;
        result = Status::failure(ErrorCode::Unreadable,
                                 QStringLiteral("The settings file %1 could not be read: %2")
                                     .arg(path, file.errorString()));
    } else {
        const QByteArray bytes = file.read(kRecordLength);
        const bool readFailed = file.error() != QFileDevice::NoError;
        file.close();
        if (readFailed && bytes.isEmpty()) {
            settings = defaults();
            writeBack = false;
            result = Status::failure(ErrorCode::Unreadable,
                                     QStringLiteral("The settings file %1 could not be read: %2")
                                         .arg(path, file.errorString()));
        } else if (bytes.size() < 2) {
            settings = defaults();
        } else {
            settings = decode(bytes);
            const QString& programFolder = m_place.programFolder;
            settings.PickFolder =
                Drive::keepOnProgramDrive(settings.PickFolder, programFolder, m_lookup);
            settings.AddFilesFolder =
                Drive::keepOnProgramDrive(settings.AddFilesFolder, programFolder, m_lookup);
        }
    }

    if (writeBack) {
        const Status saved = SaveSettings();
        if (result.ok())
            result = saved;
    }

    if (Version::numericValue(settings.SettingsVersion)
        != Version::numericValue(m_place.programVersion)) {
        const Status upgraded = UpgradeConfig();
        if (result.ok())
            result = upgraded;
    }
    return result;
}

Status SettingsFile::UpgradeConfig()
{
    SettingsRecord& settings = m_settings;
    const double version = Version::numericValue(settings.SettingsVersion);
    // A file from a newer version is only stamped: its fields are already
    // past every step below.
    if (version < Version::numericValue(m_place.programVersion)) {
        if (version < 1.1) {
            settings.AutoSizePictures = true;
            settings.PreviewFullHeight = true;
            settings.AutoRewind = true;
            settings.AutoStart = true;
        }
        if (version < 2.0) {
            settings.RemoveOriginals = false;
            settings.SecurityWipeOnExit = false;
            settings.WipeAmount = 1000;
        }
        if (version < 2.1)
            SettingsDefaults::applyPrintFonts(settings);
    }
    settings.SettingsVersion = m_place.programVersion;
    return SaveSettings();
}

Status SettingsFile::SaveSettings()
{
    Result<QByteArray> encoded = encode(m_settings);
    if (!encoded)
        return encoded.status();
    QByteArray bytes = std::move(*encoded);
    bytes.resize(kRecordLength, '\0');

    // Replace what a link points at, not the link.
    QString target = m_place.filePath;
    const QFileInfo info(target);
    if (info.isSymLink())
        target = info.symLinkTarget();

    // The new record goes to a file of its own beside the target and replaces
    // it by a rename only once it is complete on disk, so a save cut short at
    // any point leaves the previous file whole.
    TempFile temp;
    if (const Status created = temp.create(target); !created)
        return created;
    struct stat existing {};
    if (::stat(QFile::encodeName(target).constData(), &existing) == 0)
        ::fchmod(temp.fd, existing.st_mode & 07777);
    if (const Status written = temp.writeAll(bytes, target); !written)
        return written;
    if (const int error = FileWriter::sync(temp.fd))
        return ioFailure(target, error);
    if (::close(std::exchange(temp.fd, -1)) != 0)
        return ioFailure(target, errno);
    if (m_beforeReplace)
        m_beforeReplace();
    if (::rename(temp.encodedPath.constData(), QFile::encodeName(target).constData()) != 0)
        return ioFailure(target, errno);
    temp.encodedPath.clear();
    DiskSync::syncFolder(QFileInfo(target).absolutePath());
    return Status::success();
}

Result<QByteArray> SettingsFile::encode(const SettingsRecord& s)
{
    RecordWriter w;
    w.text(s.SettingsVersion);
    w.flag(s.ExclusiveMode);
    w.text(s.AddFilesFolder);
    w.text(s.PickFolder);
    w.text(s.LibraryFolder);
    w.text(s.DefaultLibrary);
    w.flag(s.StartMaximized);
    w.flag(s.SecurityWipeOnExit);
    w.int16(s.EditDetectMode);
    w.int32(s.GridForeColor);
    w.int32(s.GridBackColor);
    w.text(s.ListFontName);
    w.int32(s.ListFontSize);
    w.flag(s.ListFontBold);
    w.flag(s.ListFontItalic);
    w.flag(s.ListFontUnderline);
    w.text(s.HeaderFontName);
    w.int32(s.HeaderFontSize);
    w.flag(s.HeaderFontBold);
    w.flag(s.HeaderFontItalic);
    w.flag(s.HeaderFontUnderline);
    for (const QString& field : s.ColumnFields)
        w.text(field);
    for (const std::int32_t width : s.ColumnWidths)
        w.int32(width);
    w.float64(s.ListPaneSize);
    w.float64(s.FilePaneSize);
    w.int32(s.FieldViewForeColor);
    w.int32(s.FieldViewBackColor);
    w.flag(s.AutoSizePictures);
    w.flag(s.PreviewFullHeight);
    w.flag(s.AutoRewind);
    w.flag(s.AutoStart);
    w.flag(s.RemoveOriginals);
    w.int32(s.WipeAmount);
    w.text(s.PrintListFontName);
    w.int16(s.PrintListFontSize);
    w.flag(s.PrintListFontBold);
    w.flag(s.PrintListFontItalic);
    w.text(s.PrintHeaderFontName);
    w.int16(s.PrintHeaderFontSize);
    w.flag(s.PrintHeaderFontBold);
    w.flag(s.PrintHeaderFontItalic);

    if (w.overflowed() || w.bytes().size() > kRecordLength) {
        return Result<QByteArray>::failure(
            ErrorCode::InvalidArgument,
            QStringLiteral("The settings are too long for the settings file; the folder and "
                           "library names they hold must be shorter."));
    }
    return w.bytes();
}

SettingsRecord SettingsFile::decode(QByteArrayView bytes)
{
    RecordReader r(bytes.first(qMin(bytes.size(), kRecordLength)));
    SettingsRecord s;
    s.SettingsVersion = r.text();
    s.ExclusiveMode = r.flag();
    s.AddFilesFolder = r.text();
    s.PickFolder = r.text();
    s.LibraryFolder = r.text();
    s.DefaultLibrary = r.text();
    s.StartMaximized = r.flag();
    s.SecurityWipeOnExit = r.flag();
    s.EditDetectMode = r.int16();
    s.GridForeColor = r.int32();
    s.GridBackColor = r.int32();
    s.ListFontName = r.text();
    s.ListFontSize = r.int32();
    s.ListFontBold = r.flag();
    s.ListFontItalic = r.flag();
    s.ListFontUnderline = r.flag();
    s.HeaderFontName = r.text();
    s.HeaderFontSize = r.int32();
    s.HeaderFontBold = r.flag();
    s.HeaderFontItalic = r.flag();
    s.HeaderFontUnderline = r.flag();
    for (QString& field : s.ColumnFields)
        field = r.text();
    for (std::int32_t& width : s.ColumnWidths)
        width = r.int32();
    s.ListPaneSize = r.float64();
    s.FilePaneSize = r.float64();
    s.FieldViewForeColor = r.int32();
    s.FieldViewBackColor = r.int32();
    s.AutoSizePictures = r.flag();
    s.PreviewFullHeight = r.flag();
    s.AutoRewind = r.flag();
    s.AutoStart = r.flag();
    s.RemoveOriginals = r.flag();
    s.WipeAmount = r.int32();
    s.PrintListFontName = r.text();
    s.PrintListFontSize = r.int16();
    s.PrintListFontBold = r.flag();
    s.PrintListFontItalic = r.flag();
    s.PrintHeaderFontName = r.text();
    s.PrintHeaderFontSize = r.int16();
    s.PrintHeaderFontBold = r.flag();
    s.PrintHeaderFontItalic = r.flag();
    return s;
}

} // namespace zentaro
