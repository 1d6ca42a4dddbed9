#include "cli/CliTransferCommands.h"

#include "cli/CliContext.h"
#include "cli/CliExitCode.h"
#include "cli/CliLibrary.h"
#include "cli/CliOutput.h"
#include "cli/CliProgress.h"
#include "cli/CliStoreCommands.h"
#include "cli/CliTerminal.h"
#include "core/Environment.h"
#include "security/AccessRights.h"
#include "store/Database.h"
#include "store/Recordset.h"
#include "transfer/AddFilesBatch.h"
#include "transfer/BulkExtraction.h"
#include "transfer/ConflictResolver.h"
#include "transfer/FileExtractor.h"
#include "transfer/FileInserter.h"
#include "transfer/NativeFileName.h"

#include <QDir>
#include <QFileInfo>

#include <optional>
#include <utility>

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

// What the transfer classes are to know of the tool's state: its environment
// and the opened library.
TransferSettings transferSettingsOf(const CliContext& context, CliLibrary& library)
{
    TransferSettings settings;
    settings.chunkSize = context.environment.chunkSize();
    settings.newLine = context.environment.newLine();
    settings.extractFolder = context.environment.extractFolder();
    settings.libraryPath = library.state().CurrentLibraryPath;
    settings.accessLevel = library.state().AccessLevel;
    settings.libraryReadOnly = library.state().LibraryReadOnly;
    return settings;
}

// The add-files dialog's side of the batch, on a terminal. Ctrl-C is the
// dialog's Cancel (the bar's cancelRequested()): the file being stored is
// finished first.
class BatchHost final : public AddFilesBatch::Host
{
public:
    BatchHost(CliOutput& output, CliProgress& bar) : m_output(output), m_bar(bar) {}

    void SetBatchPercent(int) override {}
    void SetCurrentFile(const QString& name) override { m_bar.setText(QStringLiteral("Current File ") + name); }
    Progress& FileBar() override { return m_bar; }
    void Deselect(int) override {}
    void ShowNotice(const Notice& notice) override
    {
        m_bar.finish();
        m_output.notice(notice);
    }
    void Yield() override {}

private:
    CliOutput& m_output;
    CliProgress& m_bar;
};

// A file in the way of extract, with other bytes than the record's: replaced
// or kept beside by the options, else refused, and named afterwards.
class ConflictOptions final : public ConflictResolver
{
public:
    explicit ConflictOptions(std::optional<ConflictChoice> choice) : m_choice(choice) {}

    ConflictAnswer Resolve(const ExtractConflict& conflict) override
    {
        if (m_choice)
            return {*m_choice, true};
        m_refused << conflict.path;
        return {ConflictChoice::Skip, false};
    }
    QStringList takeRefused() { return std::exchange(m_refused, {}); }

private:
    std::optional<ConflictChoice> m_choice;
    QStringList m_refused;
};

} // namespace

int CliTransferCommands::add(CliContext& context)
{
    const QStringList files = context.positional.mid(1);
    if (files.isEmpty())
        return usage(context, QStringLiteral("Name at least one file to add."));

    CliLibrary library(context.environment, context.settings, context.output, context.terminal);
    if (CliExitCode opened = library.open(context.positional.value(0), context.access);
        opened != CliExitCode::Success)
        return toInt(opened);
    const Outcome refused = AddFilesBatch::CheckCommand(transferSettingsOf(context, library), library.config());
    if (refused.status.code() == ErrorCode::ReadOnly)
        return toInt(library.refuseReadOnly());
    if (refused.status.code() == ErrorCode::AccessDenied)
        return toInt(library.denyAccess());

    const QCommandLineParser& p = context.parser;
    SharedFields fields;
    fields.Author = p.value(QStringLiteral("author"));
    fields.Keywords = p.value(QStringLiteral("keywords"));
    fields.Notes = p.value(QStringLiteral("notes"));
    fields.AutoCapitalize = p.isSet(QStringLiteral("auto-capitalize"));
    const bool removeOriginals = p.isSet(QStringLiteral("remove-originals"));

    // The dialog inserts the files of one folder at a time; files named
    // together go in the order given, a batch per run of one folder.
    struct Group
    {
        QString folder;
        QList<AddFilesBatch::Entry> entries;
    };
    QList<Group> groups;
    qsizetype nativeAt = 0;
    for (const QString& file : files) {
        const QFileInfo info(file);
        const QString folder = info.absolutePath();
        if (groups.isEmpty() || groups.last().folder != folder)
            groups.push_back({folder, {}});
        AddFilesBatch::Entry entry{info.fileName(), true};
        // U+FFFD: the name's bytes were not UTF-8; take them from the raw
        // arguments, which come in the same order.
        if (file.contains(QChar::ReplacementCharacter)) {
            for (; nativeAt < context.nativeArguments.size(); ++nativeAt) {
                const QByteArray& raw = context.nativeArguments[nativeAt];
                if (QString::fromLocal8Bit(raw) != file)
                    continue;
                const QByteArray name = raw.mid(raw.lastIndexOf('/') + 1);
                entry = {NativeFileName::ToText(name), true, name};
                ++nativeAt;
                break;
            }
        }
        groups.last().entries.push_back(entry);
    }

    CliProgress bar(context.output.err(), context.terminal.errorIsTerminal());
    BatchHost host(context.output, bar);
    AddFilesBatch batch(transferSettingsOf(context, library), library.database());
    bool trouble = false;
    for (const Group& group : groups) {
        const AddedFiles report = batch.Run(group.folder, group.entries, fields, removeOriginals, host);
        bar.finish();
        for (const qint64 id : report.added)
            context.output.line(QString::number(id));
        for (const QString& path : report.deleted)
            context.output.error(
                QStringLiteral("\"%1\" was stored; there is no trash for it, so the original was deleted.").arg(path));
        for (const QString& path : report.notRemoved)
            context.output.error(QStringLiteral("\"%1\" was stored but could not be removed.").arg(path));
        trouble = trouble || !report.failed.isEmpty() || !report.notRemoved.isEmpty();
        if (!report.ending.ok())
            return toInt(CliExitCode::Failure);
    }
    return toInt(trouble ? CliExitCode::Failure : CliExitCode::Success);
}

int CliTransferCommands::extract(CliContext& context)
{
    const QCommandLineParser& p = context.parser;
    const int modes = int(p.isSet(QStringLiteral("id"))) + int(p.isSet(QStringLiteral("where"))) +
                      int(p.isSet(QStringLiteral("all")));
    if (modes != 1)
        return usage(context, QStringLiteral("Give exactly one of --id, --where and --all."));
    if (!p.isSet(QStringLiteral("to")))
        return usage(context, QStringLiteral("Name the folder to extract to with --to."));
    const QFileInfo folderInfo(p.value(QStringLiteral("to")));
    if (!folderInfo.isDir())
        return usage(context, QStringLiteral("The folder \"%1\" does not exist.").arg(p.value(QStringLiteral("to"))));
    const QString folder = folderInfo.absoluteFilePath();
    const bool overwrite = p.isSet(QStringLiteral("overwrite"));
    const bool keepBoth = p.isSet(QStringLiteral("keep-both"));
    if (overwrite && keepBoth)
        return usage(context, QStringLiteral("Give at most one of --overwrite and --keep-both."));

    QList<qint64> ids;
    for (const QString& value : p.values(QStringLiteral("id"))) {
        for (const QString& part : value.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
            bool ok = false;
            const qint64 id = part.trimmed().toLongLong(&ok);
            if (!ok || id <= 0)
                return usage(context, QStringLiteral("--id takes a MainID, a whole number above 0, not \"%1\".").arg(part));
            ids << id;
        }
    }

    CliLibrary library(context.environment, context.settings, context.output, context.terminal);
    if (CliExitCode opened = library.open(context.positional.value(0), context.access, CliLibrary::Use::Read);
        opened != CliExitCode::Success)
        return toInt(opened);
    if (!FileExtractor::MayExtract(library.state().AccessLevel, library.config()))
        return toInt(library.denyAccess());

    const std::shared_ptr<Database>& db = library.database();
    QList<MainRecord> records;
    if (!ids.isEmpty()) {
        for (const qint64 id : ids) {
            Result<MainRecord> record = db->loadRecord(id);
            if (!record) {
                if (record.code() == ErrorCode::NotFound)
                    return usage(context, QStringLiteral("The library has no record with MainID %1.").arg(id));
                return failed(context, record.status());
            }
            records << *record;
        }
    } else {
        library.state().QueryWhere = CliStoreCommands::wherePart(p.value(QStringLiteral("where")));
        if (Status run = library.session().RequeryList(); !run)
            return failed(context, run);
        Recordset* list = library.session().DCMain();
        for (int i = 0; i < list->recordCount(); ++i) {
            Result<MainRecord> record = list->recordAt(i);
            if (record)
                records << *record;
        }
    }

    CliProgress bar(context.output.err(), context.terminal.errorIsTerminal());
    // One run: a name already written in it gives the next record "FileName (MainID)".
    BulkExtraction run(transferSettingsOf(context, library), db);
    ConflictOptions conflicts(overwrite  ? std::optional(ConflictChoice::Replace)
                              : keepBoth ? std::optional(ConflictChoice::KeepBoth)
                                         : std::nullopt);
    run.setConflicts(&conflicts);
    run.begin();
    // A line for each file once it is on disk; small ones are written behind the loop.
    auto printWritten = [&] {
        for (const QString& path : run.takeWritten())
            context.output.line(CliOutput::fieldText(path));
    };
    int exitCode = toInt(CliExitCode::Success);
    // A file that failed behind the loop ended it, and end() names it again.
    bool loopFailed = false;
    for (const MainRecord& record : records) {
        const Result<ExtractedFile> extracted = run.extractOne(record, folder, bar);
        bar.finish();
        if (extracted && extracted->replacedName)
            context.output.notice(*extracted->replacedName);
        if (!extracted) {
            const Outcome outcome = extracted.outcome();
            if (outcome.notice)
                context.output.notice(*outcome.notice);
            else if (!outcome.cancelled())
                context.output.error(outcome.status.message());
            loopFailed = !outcome.cancelled();
            exitCode = toInt(outcome.cancelled() ? CliExitCode::Failure : exitCodeFor(outcome.status.code()));
            break;
        }
        printWritten();
        for (const QString& path : conflicts.takeRefused()) {
            context.output.error(QStringLiteral("\"%1\" is already there and holds other bytes than record %2; "
                                                "it was not replaced. Give --overwrite to replace it or "
                                                "--keep-both to write the record beside it.")
                                     .arg(path)
                                     .arg(record.MainID));
            exitCode = toInt(CliExitCode::Refused);
        }
        if (bar.cancelRequested()) {
            exitCode = toInt(CliExitCode::Failure);
            break;
        }
    }
    const Status synced = run.end();
    printWritten();
    if (!synced && !(loopFailed && run.writeFailed())) {
        context.output.error(synced.message());
        if (exitCode == toInt(CliExitCode::Success))
            exitCode = toInt(exitCodeFor(synced.code()));
    }
    return exitCode;
}

int CliTransferCommands::reinsert(CliContext& context)
{
    const QCommandLineParser& p = context.parser;
    bool ok = false;
    const qint64 id = p.value(QStringLiteral("id")).toLongLong(&ok);
    if (!p.isSet(QStringLiteral("id")) || !ok || id <= 0 || p.values(QStringLiteral("id")).size() != 1)
        return usage(context, QStringLiteral("reinsert takes one --id N, the MainID of the record to replace."));
    const QString file = QFileInfo(context.positional.value(1)).absoluteFilePath();

    CliLibrary library(context.environment, context.settings, context.output, context.terminal);
    if (CliExitCode opened = library.open(context.positional.value(0), context.access);
        opened != CliExitCode::Success)
        return toInt(opened);
    if (library.state().LibraryReadOnly)
        return toInt(library.refuseReadOnly());
    // Re-insertion follows an edit, which a Browser cannot make.
    if (!AccessRights::IsLevel(library.state().AccessLevel) || library.state().AccessLevel == AccessRights::kBrowser)
        return toInt(library.denyAccess());

    Recordset* list = library.session().DCMain();
    if (list->positionOf(id) < 0)
        return usage(context, QStringLiteral("The library has no record with MainID %1.").arg(id));
    if (Status found = list->setBookmark(id); !found)
        return failed(context, found);

    CliProgress bar(context.output.err(), context.terminal.errorIsTerminal());
    FileInserter inserter(transferSettingsOf(context, library), library.database());
    const Outcome outcome = inserter.ReInsertCurrentFile(*list, file, bar);
    bar.finish();
    if (!outcome.ok()) {
        if (outcome.notice)
            context.output.notice(*outcome.notice);
        else
            context.output.error(outcome.status.message());
        return toInt(exitCodeFor(outcome.status.code()));
    }
    context.output.line(QString::number(id));
    return toInt(CliExitCode::Success);
}

} // namespace zentaro
