#include "preview/FileClass.h"

#include <QStringList>

namespace zentaro {

namespace {

const QStringList& videoTypes()
{
    static const QStringList types = {QStringLiteral("AVI"), QStringLiteral("M1V"), QStringLiteral("MOV"),
                                      QStringLiteral("MPE"), QStringLiteral("MPEG"), QStringLiteral("MPG"),
                                      QStringLiteral("QT")};
    return types;
}

const QStringList& audioTypes()
{
    static const QStringList types = {QStringLiteral("AIF"), QStringLiteral("AIFF"), QStringLiteral("MID"),
                                      QStringLiteral("MP3"), QStringLiteral("RA"),   QStringLiteral("SND"),
                                      QStringLiteral("WAV")};
    return types;
}

const QStringList& imageTypes()
{
    static const QStringList types = {QStringLiteral("BMP"), QStringLiteral("GIF"), QStringLiteral("ICO"),
                                      QStringLiteral("JPE"), QStringLiteral("JPG"), QStringLiteral("JPEG"),
                                      QStringLiteral("WMF")};
    return types;
}

} // namespace

QString FileClass::CurrentFileClass(const QString& fileType)
{
    // Tested in this order, each match overwriting the last.
    QString found;
    if (videoTypes().contains(fileType, Qt::CaseSensitive))
        found = kVideo;
    if (audioTypes().contains(fileType, Qt::CaseSensitive))
        found = kAudio;
    if (imageTypes().contains(fileType, Qt::CaseSensitive))
        found = kImage;
    return found.isEmpty() ? kOther : found;
}

bool FileClass::isClassifiedType(const QString& fileType)
{
    const QString upper = fileType.toUpper();
    return videoTypes().contains(upper) || audioTypes().contains(upper) || imageTypes().contains(upper);
}

QString FileClass::extraMediaClass(const QString& fileType)
{
    static const QStringList video = {QStringLiteral("MP4"), QStringLiteral("M4V"), QStringLiteral("MKV"),
                                      QStringLiteral("WEBM")};
    static const QStringList audio = {QStringLiteral("FLAC"), QStringLiteral("OGG"), QStringLiteral("OPUS"),
                                      QStringLiteral("M4A"), QStringLiteral("AAC")};
    const QString upper = fileType.toUpper();
    if (video.contains(upper))
        return kVideo;
    if (audio.contains(upper))
        return kAudio;
    return QString();
}

} // namespace zentaro
