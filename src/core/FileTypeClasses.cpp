#include "core/FileTypeClasses.h"

namespace zentaro {

const QStringList& FileTypeClasses::Extensions(Kind kind)
{
    static const QStringList video = {
        QStringLiteral("AVI"), QStringLiteral("M1V"), QStringLiteral("MOV"),  QStringLiteral("MPE"),
        QStringLiteral("MPEG"), QStringLiteral("MPG"), QStringLiteral("QT"),
        QStringLiteral("MP4"), QStringLiteral("M4V"), QStringLiteral("MKV"),  QStringLiteral("WEBM"),
        QStringLiteral("WMV"), QStringLiteral("OGV"), QStringLiteral("3GP"),  QStringLiteral("FLV"),
        QStringLiteral("MTS"), QStringLiteral("M2TS")};
    static const QStringList audio = {
        QStringLiteral("AIF"), QStringLiteral("AIFF"), QStringLiteral("MID"), QStringLiteral("RA"),
        QStringLiteral("MP3"), QStringLiteral("SND"),  QStringLiteral("WAV"),
        QStringLiteral("FLAC"), QStringLiteral("OGG"), QStringLiteral("OGA"), QStringLiteral("OPUS"),
        QStringLiteral("M4A"), QStringLiteral("AAC"),  QStringLiteral("WMA")};
    static const QStringList image = {
        QStringLiteral("BMP"), QStringLiteral("GIF"), QStringLiteral("ICO"),  QStringLiteral("JPG"),
        QStringLiteral("JPE"), QStringLiteral("JPEG"), QStringLiteral("WMF"),
        QStringLiteral("PNG"), QStringLiteral("TIF"), QStringLiteral("TIFF"), QStringLiteral("WEBP"),
        QStringLiteral("SVG"), QStringLiteral("HEIC"), QStringLiteral("HEIF"), QStringLiteral("AVIF"),
        QStringLiteral("JFIF")};
    switch (kind) {
    case Kind::Video: return video;
    case Kind::Audio: return audio;
    case Kind::Image: return image;
    }
    return image;
}

} // namespace zentaro
