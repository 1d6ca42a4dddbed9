// The settings file is read from whatever lies beside the program.
#include "core/Drive.h"
#include "core/SettingsFile.h"
#include "core/Version.h"

#include <QByteArrayView>

#include <cstdint>
#include <cstdlib>
#include <optional>

using namespace zentaro;

namespace {

// Every absolute path is on the program's drive: no file system is touched.
std::optional<Drive::Facts> sameDrive(const QString&)
{
    return Drive::Facts{QStringLiteral("/"), QByteArrayLiteral("fuzz")};
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    SettingsRecord settings = SettingsFile::decode(bytes);
    // What start-up does with a record read from the file.
    const QString programFolder = QStringLiteral("/program");
    settings.PickFolder = Drive::keepOnProgramDrive(settings.PickFolder, programFolder, &sameDrive);
    settings.AddFilesFolder = Drive::keepOnProgramDrive(settings.AddFilesFolder, programFolder, &sameDrive);
    (void)Version::numericValue(settings.SettingsVersion);

    // Once written, a record must read back as the same record.
    const Result<QByteArray> first = SettingsFile::encode(settings);
    if (!first)
        return 0;
    const Result<QByteArray> second = SettingsFile::encode(SettingsFile::decode(*first));
    if (!second || *second != *first)
        std::abort();
    return 0;
}
