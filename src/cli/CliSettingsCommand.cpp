#include "cli/CliSettingsCommand.h"

#include "cli/CliContext.h"
#include "cli/CliExitCode.h"
#include "cli/CliOutput.h"
#include "cli/CliSettingsReader.h"
#include "core/Environment.h"
#include "core/SettingsRecord.h"

#include <QJsonArray>

#include <functional>
#include <vector>

namespace zentaro {

namespace {

enum class Kind { Text, Flag, Number, Colour, Real, Texts, Numbers };

struct Field
{
    const char* name;
    Kind kind;
    std::function<QJsonValue(const SettingsRecord&)> value;
};

#define ZENTARO_FIELD(name, kind) Field{#name, Kind::kind, [](const SettingsRecord& s) { return QJsonValue(s.name); }}

const std::vector<Field>& fields()
{
    static const std::vector<Field> all = {
        ZENTARO_FIELD(SettingsVersion, Text),
        ZENTARO_FIELD(ExclusiveMode, Flag),
        ZENTARO_FIELD(AddFilesFolder, Text),
        ZENTARO_FIELD(PickFolder, Text),
        ZENTARO_FIELD(LibraryFolder, Text),
        ZENTARO_FIELD(DefaultLibrary, Text),
        ZENTARO_FIELD(StartMaximized, Flag),
        ZENTARO_FIELD(SecurityWipeOnExit, Flag),
        ZENTARO_FIELD(EditDetectMode, Number),
        ZENTARO_FIELD(GridForeColor, Colour),
        ZENTARO_FIELD(GridBackColor, Colour),
        ZENTARO_FIELD(ListFontName, Text),
        ZENTARO_FIELD(ListFontSize, Number),
        ZENTARO_FIELD(ListFontBold, Flag),
        ZENTARO_FIELD(ListFontItalic, Flag),
        ZENTARO_FIELD(ListFontUnderline, Flag),
        ZENTARO_FIELD(HeaderFontName, Text),
        ZENTARO_FIELD(HeaderFontSize, Number),
        ZENTARO_FIELD(HeaderFontBold, Flag),
        ZENTARO_FIELD(HeaderFontItalic, Flag),
        ZENTARO_FIELD(HeaderFontUnderline, Flag),
        Field{"ColumnFields", Kind::Texts,
              [](const SettingsRecord& s) {
                  QJsonArray list;
                  for (const QString& f : s.ColumnFields)
                      list.append(f);
                  return QJsonValue(list);
              }},
        Field{"ColumnWidths", Kind::Numbers,
              [](const SettingsRecord& s) {
                  QJsonArray list;
                  for (const std::int32_t w : s.ColumnWidths)
                      list.append(w);
                  return QJsonValue(list);
              }},
        ZENTARO_FIELD(ListPaneSize, Real),
        ZENTARO_FIELD(FilePaneSize, Real),
        ZENTARO_FIELD(FieldViewForeColor, Colour),
        ZENTARO_FIELD(FieldViewBackColor, Colour),
        ZENTARO_FIELD(AutoSizePictures, Flag),
        ZENTARO_FIELD(PreviewFullHeight, Flag),
        ZENTARO_FIELD(AutoRewind, Flag),
        ZENTARO_FIELD(AutoStart, Flag),
        ZENTARO_FIELD(RemoveOriginals, Flag),
        ZENTARO_FIELD(WipeAmount, Number),
        ZENTARO_FIELD(PrintListFontName, Text),
        ZENTARO_FIELD(PrintListFontSize, Number),
        ZENTARO_FIELD(PrintListFontBold, Flag),
        ZENTARO_FIELD(PrintListFontItalic, Flag),
        ZENTARO_FIELD(PrintHeaderFontName, Text),
        ZENTARO_FIELD(PrintHeaderFontSize, Number),
        ZENTARO_FIELD(PrintHeaderFontBold, Flag),
        ZENTARO_FIELD(PrintHeaderFontItalic, Flag),
    };
    return all;
}

#undef ZENTARO_FIELD

QString text(const Field& field, const QJsonValue& value)
{
    switch (field.kind) {
    case Kind::Text: return value.toString();
    case Kind::Flag: return value.toBool() ? QStringLiteral("true") : QStringLiteral("false");
    case Kind::Number: return QString::number(value.toInteger());
    case Kind::Colour:
        return QStringLiteral("0x") +
               QStringLiteral("%1").arg(static_cast<quint32>(value.toInteger()), 8, 16, QLatin1Char('0')).toUpper();
    case Kind::Real: return QString::number(value.toDouble(), 'g', 15);
    case Kind::Texts: {
        QStringList parts;
        for (const QJsonValue& v : value.toArray())
            parts << v.toString();
        return parts.join(QStringLiteral(", "));
    }
    case Kind::Numbers: {
        QStringList parts;
        for (const QJsonValue& v : value.toArray())
            parts << QString::number(v.toInteger());
        return parts.join(QStringLiteral(", "));
    }
    }
    return {};
}

} // namespace

QStringList CliSettingsCommand::textLines(const SettingsRecord& settings)
{
    QStringList lines;
    for (const Field& field : fields())
        lines << QLatin1String(field.name) + QStringLiteral(": ") + text(field, field.value(settings));
    return lines;
}

QJsonObject CliSettingsCommand::json(const SettingsRecord& settings)
{
    QJsonObject object;
    for (const Field& field : fields())
        object.insert(QLatin1String(field.name), field.value(settings));
    return object;
}

int CliSettingsCommand::run(CliContext& context)
{
    if (Status loaded = CliSettingsReader::Load(context.environment, context.settings); !loaded) {
        context.output.error(loaded.message());
        return toInt(exitCodeFor(loaded.code()));
    }
    if (context.json) {
        QJsonObject object = json(context.settings);
        context.output.json(QJsonObject{{QStringLiteral("SettingsFilePath"), context.environment.settingsFilePath()},
                                        {QStringLiteral("Settings"), object}});
        return toInt(CliExitCode::Success);
    }
    for (const QString& line : textLines(context.settings))
        context.output.line(line);
    return toInt(CliExitCode::Success);
}

} // namespace zentaro
