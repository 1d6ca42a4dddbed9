#include "cli/CliStoreCommands.h"

#include "cli/CliContext.h"
#include "cli/CliExitCode.h"
#include "cli/CliLibrary.h"
#include "cli/CliOutput.h"
#include "cli/CliProgress.h"
#include "cli/CliTerminal.h"
#include "core/Environment.h"
#include "search/SearchQuery.h"
#include "security/AccessRights.h"
#include "store/Database.h"
#include "library/LibraryCompactor.h"
#include "library/LibraryAddress.h"
#include "library/LibraryCopier.h"
#include "library/LibraryTransfer.h"
#include "store/LibraryFile.h"
#include "library/LibraryVerifier.h"
#include "store/Recordset.h"
#include "store/server/ServerDatabase.h"
#include "store/server/ServerSchema.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QRegularExpression>

namespace zentaro {

namespace {

int usage(CliContext& context, const QString& message)
{
    context.output.error(message);
    return toInt(CliExitCode::Usage);
}

int failed(CliContext& context, const Status& status)
{
    context.output.error(status.message());
    return toInt(exitCodeFor(status.code()));
}

bool startsWithWord(const QString& text, const QString& word)
{
    const QRegularExpression pattern(QStringLiteral("^%1(\\s|\\(|$)").arg(word),
                                     QRegularExpression::CaseInsensitiveOption);
    return pattern.match(text).hasMatch();
}

// --id N, repeatable, each also a comma-separated list.
std::optional<QList<qint64>> parseIds(CliContext& context)
{
    QList<qint64> ids;
    for (const QString& value : context.parser.values(QStringLiteral("id"))) {
        for (const QString& part : value.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
            bool ok = false;
            const qint64 id = part.trimmed().toLongLong(&ok);
            if (!ok || id <= 0) {
                context.output.error(QStringLiteral("--id takes a MainID, a whole number above 0, not \"%1\".")
                                         .arg(part));
                return std::nullopt;
            }
            if (!ids.contains(id))
                ids << id;
        }
    }
    return ids;
}

CliExitCode openLibrary(CliContext& context, CliLibrary& library, CliLibrary::Use use = CliLibrary::Use::Write)
{
    return library.open(context.positional.value(0), context.access, use);
}

} // namespace

QString CliStoreCommands::wherePart(const QString& typed)
{
    QString text = typed.trimmed();
    if (text.isEmpty())
        return {};
    if (!startsWithWord(text, QStringLiteral("WHERE")))
        text = QStringLiteral("WHERE (") + text + QStringLiteral(")");
    if (!text.endsWith(QLatin1Char(')')))
        text += QLatin1Char(' ');
    return text;
}

QString CliStoreCommands::orderPart(const QString& typed)
{
    const QString text = typed.trimmed();
    if (text.isEmpty())
        return QStringLiteral("ORDER BY Title");
    static const QRegularExpression orderBy(QStringLiteral("^ORDER\\s+BY(\\s|$)"),
                                            QRegularExpression::CaseInsensitiveOption);
    if (orderBy.match(text).hasMatch())
        return text;
    return QStringLiteral("ORDER BY ") + text;
}

int CliStoreCommands::printList(CliContext& context, LibrarySession& session)
{
    Recordset* list = session.DCMain();
    const int count = list ? list->recordCount() : 0;
    QJsonArray records;
    for (int i = 0; i < count; ++i) {
        Result<MainRecord> record = list->recordAt(i);
        if (!record) {
            // Deleted by another user since the list was run.
            if (record.code() == ErrorCode::NotFound)
                continue;
            return failed(context, record.status());
        }
        if (context.json)
            records.append(CliOutput::recordJson(*record));
        else
            context.output.line(CliOutput::recordLine(*record));
    }
    if (context.json) {
        context.output.json(QJsonObject{{QStringLiteral("Query"), session.state().CurrentQuery},
                                        {QStringLiteral("Count"), records.size()},
                                        {QStringLiteral("Records"), records}});
    }
    return toInt(CliExitCode::Success);
}

int CliStoreCommands::newLibrary(CliContext& context)
{
    const QString target = QFileInfo(LibraryCopier::TargetName(context.positional.value(0))).absoluteFilePath();
    if (LibraryCopier::TargetTaken(target)) {
        context.output.notice(LibraryCopier::ExistsNotice());
        return toInt(CliExitCode::Usage);
    }
    LibraryCopier copier(context.environment.templatePath());
    if (Status made = copier.CreateNewLibrary(target); !made)
        return failed(context, made);
    context.output.line(target);
    return toInt(CliExitCode::Success);
}

int CliStoreCommands::info(CliContext& context)
{
    CliLibrary library(context.environment, context.settings, context.output, context.terminal);
    if (CliExitCode opened = openLibrary(context, library, CliLibrary::Use::Read); opened != CliExitCode::Success)
        return toInt(opened);
    const std::shared_ptr<Database>& db = library.database();
    const ConfigRow& config = library.config();

    Result<qint64> count = db->countMain();
    if (!count)
        return failed(context, count.status());
    qint64 stored = 0;
    Recordset* all = library.session().DCMain();
    for (int i = 0; all && i < all->recordCount(); ++i) {
        Result<MainRecord> record = all->recordAt(i);
        if (!record)
            continue;
        Result<qint64> size = db->storedSize(record->MainID);
        if (!size)
            return failed(context, size.status());
        stored += *size;
    }
    const QString path = LibraryAddress::WithoutPassword(library.state().CurrentLibraryPath);
    const bool onServer = LibraryAddress::IsServer(path);

    const QJsonObject configJson{
        {QStringLiteral("LibraryName"), config.LibraryName},
        {QStringLiteral("LibrarianName"), config.LibrarianName},
        {QStringLiteral("LibrarianEmail"), config.LibrarianEmail},
        {QStringLiteral("Created"), CliOutput::dateJson(config.Created)},
        {QStringLiteral("Notes"), config.Notes},
        {QStringLiteral("UseSecurity"), config.UseSecurity},
        {QStringLiteral("BrowseExtract"), config.BrowseExtract},
        {QStringLiteral("EditDelete"), config.EditDelete},
    };
    const qint64 fileBytes = onServer ? 0 : QFileInfo(path).size();
    if (context.json) {
        context.output.json(QJsonObject{
            {QStringLiteral("Path"), path},
            {QStringLiteral("DisplayName"), LibraryAddress::DisplayName(path)},
            {QStringLiteral("ReadOnly"), library.state().LibraryReadOnly},
            {QStringLiteral("AccessLevel"), library.state().AccessLevel},
            {QStringLiteral("Config"), configJson},
            {QStringLiteral("RecordCount"), *count},
            {QStringLiteral("StoredBytes"), stored},
            {QStringLiteral("FileBytes"), fileBytes},
        });
        return toInt(CliExitCode::Success);
    }
    auto yesNo = [](bool value) { return value ? QStringLiteral("true") : QStringLiteral("false"); };
    CliOutput& out = context.output;
    out.line(QStringLiteral("Path: ") + path);
    out.line(QStringLiteral("DisplayName: ") + LibraryAddress::DisplayName(path));
    out.line(QStringLiteral("ReadOnly: ") + yesNo(library.state().LibraryReadOnly));
    out.line(QStringLiteral("AccessLevel: ") + library.state().AccessLevel);
    out.line(QStringLiteral("LibraryName: ") + CliOutput::fieldText(config.LibraryName));
    out.line(QStringLiteral("LibrarianName: ") + CliOutput::fieldText(config.LibrarianName));
    out.line(QStringLiteral("LibrarianEmail: ") + CliOutput::fieldText(config.LibrarianEmail));
    out.line(QStringLiteral("Created: ") + CliOutput::dateText(config.Created));
    out.line(QStringLiteral("Notes: ")
             + CliOutput::fieldText(CliOutput::plainLines(config.Notes).replace(QLatin1Char('\n'), QLatin1Char(' '))));
    out.line(QStringLiteral("UseSecurity: ") + yesNo(config.UseSecurity));
    out.line(QStringLiteral("BrowseExtract: ") + yesNo(config.BrowseExtract));
    out.line(QStringLiteral("EditDelete: ") + yesNo(config.EditDelete));
    out.line(QStringLiteral("RecordCount: ") + QString::number(*count));
    out.line(QStringLiteral("StoredBytes: ") + QString::number(stored));
    out.line(QStringLiteral("FileBytes: ") + QString::number(fileBytes));
    return toInt(CliExitCode::Success);
}

int CliStoreCommands::list(CliContext& context)
{
    CliLibrary library(context.environment, context.settings, context.output, context.terminal);
    if (CliExitCode opened = openLibrary(context, library, CliLibrary::Use::Read); opened != CliExitCode::Success)
        return toInt(opened);
    library.state().QueryWhere = wherePart(context.parser.value(QStringLiteral("where")));
    library.state().QueryOrder = orderPart(context.parser.value(QStringLiteral("order")));
    if (Status run = library.session().RequeryList(); !run)
        return failed(context, run);
    return printList(context, library.session());
}

int CliStoreCommands::search(CliContext& context)
{
    const QCommandLineParser& p = context.parser;
    SearchQuery::Request request;
    const QString currentWhere = wherePart(p.value(QStringLiteral("where")));
    request.SearchScope = currentWhere.isEmpty() ? SearchQuery::Scope::EntireLibrary : SearchQuery::Scope::CurrentList;

    const bool custom = p.isSet(QStringLiteral("field"));
    if (custom) {
        if (p.isSet(QStringLiteral("text")) || p.isSet(QStringLiteral("class")))
            return usage(context, QStringLiteral("--text and --class are the quick search; --field is the custom search. Give one of the two."));
        request.ShownTab = SearchQuery::Tab::CustomSearch;
        SearchQuery::Custom& c = request.CustomSearch;
        c.Field = p.value(QStringLiteral("field"));
        const std::optional<SearchQuery::Frame> frame = SearchQuery::FrameFor(c.Field);
        if (!frame) {
            return usage(context, QStringLiteral("--field must be one of %1, not \"%2\".")
                                      .arg(SearchQuery::FieldNames().join(QStringLiteral(", ")), c.Field));
        }
        if (!p.isSet(QStringLiteral("op")) || !p.isSet(QStringLiteral("value")))
            return usage(context, QStringLiteral("The custom search needs --op and --value."));
        const QString op = p.value(QStringLiteral("op"));
        const QString value = p.value(QStringLiteral("value"));

        struct Op
        {
            const char* name;
            SearchQuery::Frame frame;
            int match;
        };
        static const Op ops[] = {
            {"contain", SearchQuery::Frame::Text, int(SearchQuery::TextMatch::Contain)},
            {"start", SearchQuery::Frame::Text, int(SearchQuery::TextMatch::StartWith)},
            {"end", SearchQuery::Frame::Text, int(SearchQuery::TextMatch::EndWith)},
            {"exact", SearchQuery::Frame::Text, int(SearchQuery::TextMatch::ExactMatch)},
            {"between", SearchQuery::Frame::Date, int(SearchQuery::DateMatch::Between)},
            {"after", SearchQuery::Frame::Date, int(SearchQuery::DateMatch::After)},
            {"before", SearchQuery::Frame::Date, int(SearchQuery::DateMatch::Before)},
            {"equal", SearchQuery::Frame::Value, int(SearchQuery::ValueMatch::EqualTo)},
            {"greater", SearchQuery::Frame::Value, int(SearchQuery::ValueMatch::GreaterThan)},
            {"less", SearchQuery::Frame::Value, int(SearchQuery::ValueMatch::LessThan)},
        };
        const Op* chosen = nullptr;
        for (const Op& candidate : ops) {
            if (op == QLatin1String(candidate.name))
                chosen = &candidate;
        }
        if (!chosen) {
            return usage(context, QStringLiteral("--op must be one of contain, start, end, exact, between, after, "
                                                 "before, equal, greater, less, not \"%1\".")
                                      .arg(op));
        }
        if (chosen->frame != *frame) {
            const QString fitting = *frame == SearchQuery::Frame::Text   ? QStringLiteral("contain, start, end or exact")
                                    : *frame == SearchQuery::Frame::Date ? QStringLiteral("between, after or before")
                                                                         : QStringLiteral("equal, greater or less");
            return usage(context, QStringLiteral("--op %1 does not apply to %2; use %3.").arg(op, c.Field, fitting));
        }
        switch (chosen->frame) {
        case SearchQuery::Frame::Text:
            c.Text = static_cast<SearchQuery::TextMatch>(chosen->match);
            c.Phrase = value;
            break;
        case SearchQuery::Frame::Date:
            c.Date = static_cast<SearchQuery::DateMatch>(chosen->match);
            if (c.Date == SearchQuery::DateMatch::Between) {
                if (!p.isSet(QStringLiteral("value2")))
                    return usage(context, QStringLiteral("--op between needs --value (after) and --value2 (before)."));
                c.After = value;
                c.Before = p.value(QStringLiteral("value2"));
            } else if (c.Date == SearchQuery::DateMatch::After) {
                c.After = value;
            } else {
                c.Before = value;
            }
            break;
        case SearchQuery::Frame::Value:
            c.Value = static_cast<SearchQuery::ValueMatch>(chosen->match);
            c.Number = value;
            break;
        }
    } else {
        request.ShownTab = SearchQuery::Tab::QuickSearch;
        request.QuickText = p.value(QStringLiteral("text"));
        const QString className = p.isSet(QStringLiteral("class")) ? p.value(QStringLiteral("class")) : QStringLiteral("All");
        const qsizetype index = SearchQuery::FileClassCaptions().indexOf(className);
        if (index < 0) {
            return usage(context, QStringLiteral("--class must be one of %1, not \"%2\".")
                                      .arg(SearchQuery::FileClassCaptions().join(QStringLiteral(", ")), className));
        }
        request.Class = static_cast<SearchQuery::FileClass>(index);
    }

    Result<QString> where = SearchQuery::ApplySearch(currentWhere, request);
    if (!where)
        return failed(context, where.status());

    CliLibrary library(context.environment, context.settings, context.output, context.terminal);
    if (CliExitCode opened = openLibrary(context, library, CliLibrary::Use::Read); opened != CliExitCode::Success)
        return toInt(opened);
    library.state().QueryWhere = *where;
    library.state().QueryOrder = orderPart(p.value(QStringLiteral("order")));
    if (Status run = library.session().RequeryList(); !run)
        return failed(context, run);
    return printList(context, library.session());
}

int CliStoreCommands::remove(CliContext& context)
{
    const QCommandLineParser& p = context.parser;
    const int modes = int(p.isSet(QStringLiteral("id"))) + int(p.isSet(QStringLiteral("where"))) +
                      int(p.isSet(QStringLiteral("all")));
    if (modes != 1)
        return usage(context, QStringLiteral("Give exactly one of --id, --where and --all."));
    const std::optional<QList<qint64>> ids = parseIds(context);
    if (!ids)
        return toInt(CliExitCode::Usage);
    const QString where = wherePart(p.value(QStringLiteral("where")));
    if (p.isSet(QStringLiteral("where")) && where.isEmpty())
        return usage(context, QStringLiteral("--where needs a condition; use --all to delete every record."));

    CliLibrary library(context.environment, context.settings, context.output, context.terminal);
    if (CliExitCode opened = openLibrary(context, library); opened != CliExitCode::Success)
        return toInt(opened);
    if (library.state().LibraryReadOnly)
        return toInt(library.refuseReadOnly());
    if (!AccessRights::Allows(library.state().AccessLevel, AccessRights::Command::DeleteCurrent, library.config()))
        return toInt(library.denyAccess());

    const std::shared_ptr<Database>& db = library.database();
    qint64 deleted = 0;
    if (!ids->isEmpty()) {
        Recordset* list = library.session().DCMain();
        // Every MainID is checked before anything goes.
        for (const qint64 id : *ids) {
            if (list->positionOf(id) < 0)
                return usage(context, QStringLiteral("The library has no record with MainID %1.").arg(id));
        }
        for (const qint64 id : *ids) {
            if (Status found = list->setBookmark(id); !found)
                return failed(context, found);
            if (Status gone = list->deleteCurrent(); !gone)
                return failed(context, gone);
            ++deleted;
        }
    } else {
        Result<qint64> count = db->execute(QStringLiteral("DELETE * FROM Main ") + where);
        if (!count)
            return failed(context, count.status());
        deleted = *count;
    }
    db->idle();
    context.output.line(QStringLiteral("Deleted %1 record(s).").arg(deleted));
    return toInt(CliExitCode::Success);
}

int CliStoreCommands::compact(CliContext& context)
{
    CliLibrary library(context.environment, context.settings, context.output, context.terminal);
    if (CliExitCode opened = openLibrary(context, library); opened != CliExitCode::Success)
        return toInt(opened);
    LibraryCompactor compactor(library.state(), context.environment.programFolder());
    const Outcome refusal = compactor.CheckCommand();
    switch (refusal.status.code()) {
    case ErrorCode::None:
        break;
    case ErrorCode::ReadOnly:
        return toInt(library.refuseReadOnly());
    case ErrorCode::AccessDenied:
        return toInt(library.denyAccess());
    case ErrorCode::DiskFull:
        context.output.notice(*refusal.notice);
        return toInt(CliExitCode::Failure);
    default:
        context.output.notice(*refusal.notice);
        return toInt(CliExitCode::Refused);
    }
    library.close();
    compactor.setServerExclusive(context.access.ServerExclusive);
    CliProgress bar(context.output.err(), context.terminal.errorIsTerminal());
    const Result<LibraryCompactor::Sizes> compacted = compactor.CompactLibrary(bar);
    bar.finish();
    if (!compacted) {
        context.output.notice(LibraryCompactor::FailureNotice(compacted.status()));
        return toInt(exitCodeFor(compacted.code()));
    }
    context.output.line(CliOutput::plainLines(LibraryCompactor::CompletionNotice(*compacted).text));
    return toInt(CliExitCode::Success);
}

int CliStoreCommands::copy(CliContext& context)
{
    CliLibrary library(context.environment, context.settings, context.output, context.terminal);
    if (CliExitCode opened = openLibrary(context, library, CliLibrary::Use::Read); opened != CliExitCode::Success)
        return toInt(opened);
    const QString source = library.state().CurrentLibraryPath;
    const QString target = QFileInfo(LibraryCopier::TargetName(context.positional.value(1))).absoluteFilePath();
    if (LibraryCopier::TargetTaken(target)) {
        context.output.notice(LibraryCopier::ExistsNotice());
        return toInt(CliExitCode::Usage);
    }
    CliProgress bar(context.output.err(), context.terminal.errorIsTerminal());
    Status copied;
    if (LibraryAddress::IsServer(source)) {
        // Read on the connection that opened it, as of one moment.
        copied = LibraryTransfer::CopyToFile(*library.database(), context.environment.templatePath(), target, bar)
                     .status();
        library.close();
    } else {
        library.close();
        LibraryCopier copier(context.environment.templatePath());
        copied = copier.CopyLibrary(source, target, bar);
    }
    bar.finish();
    if (!copied) {
        if (copied.message() == LibraryCopier::kNoSpaceText)
            context.output.notice(LibraryCopier::NoSpaceNotice());
        else if (copied.message() == LibraryCopier::kExistsText)
            context.output.notice(LibraryCopier::ExistsNotice());
        else
            context.output.error(copied.message());
        return toInt(exitCodeFor(copied.code()));
    }
    context.output.line(target);
    return toInt(CliExitCode::Success);
}

int CliStoreCommands::verify(CliContext& context)
{
    CliLibrary library(context.environment, context.settings, context.output, context.terminal);
    if (CliExitCode opened = openLibrary(context, library,
                                                   context.parser.isSet(QStringLiteral("add-missing-checksums"))
                                                       ? CliLibrary::Use::Write
                                                       : CliLibrary::Use::Read); opened != CliExitCode::Success)
        return toInt(opened);
    const QString path = library.state().CurrentLibraryPath;
    const QString shown = LibraryAddress::WithoutPassword(path);
    if (context.parser.isSet(QStringLiteral("add-missing-checksums"))) {
        if (library.state().LibraryReadOnly || library.database()->isReadOnly())
            return toInt(library.refuseReadOnly());
        CliProgress adding(context.output.err(), context.terminal.errorIsTerminal());
        adding.setText(QStringLiteral("Adding checksums..."));
        Result<qint64> added = LibraryVerifier::AddMissingChecksums(*library.database(), adding);
        adding.finish();
        if (!added)
            return failed(context, added.status());
        if (!context.json)
            context.output.line(QStringLiteral("Checksums added: %1").arg(*added));
        // A record without one was stored before checksums were kept, or its
        // bytes were changed outside Zentaro since: nothing can tell which.
        if (*added > 0) {
            context.output.error(QStringLiteral("%1 record(s) of \"%2\" had no checksum: stored before checksums "
                                                "were kept, or their bytes were changed outside Zentaro since. Their "
                                                "bytes are taken as they are now, unchecked.")
                                     .arg(*added)
                                     .arg(shown));
        }
    }
    CliProgress bar(context.output.err(), context.terminal.errorIsTerminal());
    bar.setText(QStringLiteral("Verifying..."));
    Result<LibraryVerifier::Findings> checked = LibraryVerifier::Findings();
    if (LibraryAddress::IsServer(path)) {
        checked = LibraryVerifier::VerifyRecords(*library.database(), bar);
        library.close();
    } else {
        // The check reads the file on a connection of its own.
        library.close();
        checked = LibraryVerifier::Verify(path, bar);
    }
    bar.finish();
    if (!checked)
        return failed(context, checked.status());
    const LibraryVerifier::Findings& report = *checked;

    if (context.json) {
        QJsonArray bad;
        for (const LibraryVerifier::BadRecord& record : report.BadRecords) {
            bad.append(QJsonObject{{QStringLiteral("MainID"), record.MainID},
                                   {QStringLiteral("Title"), record.Title},
                                   {QStringLiteral("FileSize"), record.FileSize},
                                   {QStringLiteral("StoredBytes"), record.StoredBytes},
                                   {QStringLiteral("Problem"), record.Problem}});
        }
        context.output.json(QJsonObject{{QStringLiteral("Path"), shown},
                                        {QStringLiteral("Ok"), report.ok()},
                                        {QStringLiteral("Integrity"), QJsonArray::fromStringList(report.Integrity)},
                                        {QStringLiteral("RecordsChecked"), report.RecordsChecked},
                                        {QStringLiteral("OrphanPieces"), report.OrphanPieces},
                                        {QStringLiteral("Unchecked"), report.Unchecked},
                                        {QStringLiteral("BadRecords"), bad}});
    } else {
        CliOutput& out = context.output;
        if (report.IntegrityOk()) {
            out.line(QStringLiteral("Integrity check: ok"));
        } else {
            for (const QString& finding : report.Integrity)
                out.line(QStringLiteral("Integrity check: ") + finding);
        }
        for (const LibraryVerifier::BadRecord& record : report.BadRecords) {
            out.line(QStringLiteral("Damaged record %1 \"%2\": %3").arg(record.MainID).arg(CliOutput::fieldText(record.Title), record.Problem));
        }
        if (report.OrphanPieces > 0)
            out.line(QStringLiteral("Pieces without a record: %1").arg(report.OrphanPieces));
        if (report.Unchecked > 0)
            out.line(QStringLiteral("Records without a checksum (bytes unchecked): %1").arg(report.Unchecked));
        out.line(QStringLiteral("%1 record(s) checked, %2 damaged.").arg(report.RecordsChecked).arg(report.BadRecords.size()));
    }
    if (!report.ok()) {
        context.output.error(QStringLiteral("The library \"%1\" is damaged.").arg(shown));
        return toInt(CliExitCode::Failure);
    }
    return toInt(CliExitCode::Success);
}

int CliStoreCommands::server(CliContext& context)
{
    if (context.positional.value(0) != QLatin1String("init"))
        return usage(context, QStringLiteral("server takes \"init URL\", not \"%1\".").arg(context.positional.value(0)));
    const QString given = context.positional.value(1).trimmed();
    if (!LibraryAddress::IsServer(given))
        return usage(context, QStringLiteral("\"%1\" is no server address: it must begin with postgresql://.")
                                  .arg(LibraryAddress::WithoutPassword(given)));
    const QString address = CliLibrary::WithServerPassword(given, context.terminal);
    const Status made = ServerSchema::init(address);
    if (!made) {
        context.output.error(made.message());
        // A database that holds something else is refused, not misused.
        return toInt(made.code() == ErrorCode::InvalidArgument ? CliExitCode::Refused : exitCodeFor(made.code()));
    }
    // Opened once, so that what was made is known to be a library.
    Result<std::shared_ptr<Database>> db = Database::open(address, ServerDatabase::sharedOptions());
    if (!db)
        return failed(context, db.status());
    (*db)->close();
    context.output.line(LibraryAddress::WithoutPassword(given));
    return toInt(CliExitCode::Success);
}

int CliStoreCommands::importLibrary(CliContext& context)
{
    const QString given = context.positional.value(1).trimmed();
    if (!LibraryAddress::IsServer(given))
        return usage(context, QStringLiteral("import loads a library file into a library on a server: \"%1\" is "
                                             "no server address (postgresql://...).")
                                  .arg(LibraryAddress::WithoutPassword(given)));
    if (LibraryAddress::IsServer(context.positional.value(0)))
        return usage(context, QStringLiteral("import reads a library file (*.ZNT); to copy a library on a server, "
                                             "use copy."));
    CliLibrary library(context.environment, context.settings, context.output, context.terminal);
    if (CliExitCode opened = openLibrary(context, library, CliLibrary::Use::Read); opened != CliExitCode::Success)
        return toInt(opened);
    // Everything goes, passwords of the access levels too: only an
    // Administrator may take it all.
    if (!AccessRights::Allows(library.state().AccessLevel, AccessRights::Command::LibrarySettings, library.config()))
        return toInt(library.denyAccess());
    const QString address = CliLibrary::WithServerPassword(given, context.terminal);
    Result<std::shared_ptr<Database>> target = Database::open(address, ServerDatabase::sharedOptions());
    if (!target)
        return failed(context, target.status());
    CliProgress bar(context.output.err(), context.terminal.errorIsTerminal());
    bar.setText(LibraryTransfer::kImportingText);
    const Result<qint64> copied = LibraryTransfer::CopyRecords(*library.database(), **target, bar);
    bar.finish();
    (*target)->close();
    if (!copied)
        return failed(context, copied.status());
    context.output.line(QStringLiteral("Imported %1 record(s) into %2.")
                            .arg(*copied)
                            .arg(LibraryAddress::WithoutPassword(given)));
    return toInt(CliExitCode::Success);
}

} // namespace zentaro
