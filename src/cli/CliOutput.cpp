#include "cli/CliOutput.h"

#include <QJsonDocument>

namespace zentaro {

namespace {

// Control characters (C0, DEL, C1) and the Unicode line and paragraph
// separators: a terminal would act on them, and a line-based reader would
// see a broken line.
bool needsEscape(char16_t c)
{
    return c < 0x20 || (c >= 0x7f && c <= 0x9f) || c == 0x2028 || c == 0x2029;
}

QString hexEscape(char16_t c)
{
    if (c <= 0xff)
        return QStringLiteral("\\x%1").arg(static_cast<unsigned>(c), 2, 16, QLatin1Char('0'));
    return QStringLiteral("\\u%1").arg(static_cast<unsigned>(c), 4, 16, QLatin1Char('0'));
}

} // namespace

QString CliOutput::fieldText(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        switch (c.unicode()) {
        case '\\': out += QStringLiteral("\\\\"); break;
        case '\t': out += QStringLiteral("\\t"); break;
        case '\n': out += QStringLiteral("\\n"); break;
        case '\r': out += QStringLiteral("\\r"); break;
        default: out += needsEscape(c.unicode()) ? hexEscape(c.unicode()) : QString(c);
        }
    }
    return out;
}

QString CliOutput::messageText(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : plainLines(text)) {
        if (c == QLatin1Char('\n') || c == QLatin1Char('\t') || !needsEscape(c.unicode()))
            out += c;
        else
            out += hexEscape(c.unicode());
    }
    return out;
}

CliOutput::CliOutput(QTextStream& out, QTextStream& err) : m_out(out), m_err(err)
{
}

void CliOutput::line(const QString& text)
{
    // Flushed before any message and at the end: a long list is one stream.
    m_out << text << '\n';
}

void CliOutput::json(const QJsonObject& object)
{
    m_out << QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Indented));
    m_out.flush();
}

void CliOutput::notice(const Notice& notice)
{
    m_out.flush();
    const QString text = messageText(notice.text);
    if (notice.title.isEmpty())
        m_err << text << '\n';
    else
        m_err << messageText(notice.title) << ": " << text << '\n';
    m_err.flush();
}

void CliOutput::error(const QString& text)
{
    m_out.flush();
    m_err << "znt: " << messageText(text) << '\n';
    m_err.flush();
}

void CliOutput::errorLine(const QString& text)
{
    m_out.flush();
    m_err << messageText(text) << '\n';
    m_err.flush();
}

const QList<MainField>& CliOutput::listFields()
{
    static const QList<MainField> fields = {
        MainField::MainID,   MainField::Title,    MainField::Author,        MainField::Keywords,
        MainField::FileName, MainField::FileType, MainField::FileSize,      MainField::FileDate,
        MainField::InsertionDate, MainField::LastUpdatedDate, MainField::Notes};
    return fields;
}

QString CliOutput::dateText(const QDateTime& when)
{
    return when.isValid() ? when.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) : QString();
}

QJsonValue CliOutput::dateJson(const QDateTime& when)
{
    return when.isValid() ? QJsonValue(when.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss"))) : QJsonValue();
}

QString CliOutput::plainLines(const QString& text)
{
    QString out = text;
    out.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    out.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return out;
}

QString CliOutput::recordLine(const MainRecord& record)
{
    QStringList parts;
    for (const MainField field : listFields()) {
        switch (MainRecord::fieldKind(field)) {
        case FieldKind::Integer: parts << QString::number(record.value(field).toLongLong()); break;
        case FieldKind::Text: parts << fieldText(record.value(field).toString()); break;
        case FieldKind::Date: parts << dateText(record.value(field).toDateTime()); break;
        }
    }
    return parts.join(QLatin1Char('\t'));
}

QJsonObject CliOutput::recordJson(const MainRecord& record)
{
    QJsonObject object;
    for (const MainField field : listFields()) {
        const QString name = MainRecord::fieldName(field);
        switch (MainRecord::fieldKind(field)) {
        case FieldKind::Integer: object.insert(name, record.value(field).toLongLong()); break;
        case FieldKind::Text: object.insert(name, record.value(field).toString()); break;
        case FieldKind::Date: object.insert(name, dateJson(record.value(field).toDateTime())); break;
        }
    }
    return object;
}

} // namespace zentaro
