#pragma once

#include "core/ProgramState.h"
#include "core/Progress.h"
#include "store/Database.h"
#include "support/TestPaths.h"
#include "transfer/ConflictResolver.h"
#include "transfer/TransferSettings.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdio>
#include <deque>
#include <functional>
#include <memory>
#include <vector>

namespace zentaro::test {

// Bytes that differ from position to position and from seed to seed, so a
// piece written at the wrong offset or twice shows.
inline QByteArray patternBytes(qint64 size, quint32 seed = 1)
{
    QByteArray bytes(size, Qt::Uninitialized);
    quint32 x = seed * 2654435761u + 12345u;
    for (qint64 i = 0; i < size; ++i) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        bytes[i] = static_cast<char>(x & 0xff);
    }
    return bytes;
}

inline bool writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

inline QByteArray readBytes(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

// The stored bytes of a record, read back in pieces.
inline QByteArray storedBytes(Database& db, qint64 mainId)
{
    QByteArray out;
    std::vector<char> buffer(64000);
    for (qint64 offset = 0;; offset += 64000) {
        Result<qint64> got = db.readChunk(mainId, offset, 64000, buffer.data());
        if (!got || *got == 0)
            break;
        out.append(buffer.data(), *got);
    }
    return out;
}

// A program folder with a fresh library copied from the template, open.
class TempLibrary
{
public:
    TempLibrary() : state(folder.folder())
    {
        state.SetVariables();
        state.CurrentLibraryPath = folder.path(QStringLiteral("Test.ZNT"));
        state.SettingsFilePath = folder.path(QStringLiteral("ZNT.CFG"));
        state.AccessLevel = QStringLiteral("Administrator");
        QFile::copy(templatePath(), state.CurrentLibraryPath);
        QFile(state.CurrentLibraryPath).setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        Result<std::shared_ptr<Database>> opened = Database::open(state.CurrentLibraryPath);
        if (opened)
            db = *opened;
        else
            ADD_FAILURE() << opened.message().toStdString();
        QDir(folder.folder()).mkpath(QStringLiteral("files"));
    }

    // A path in the folder the tests put their disk files in.
    QString file(const QString& name) const { return folder.path(QStringLiteral("files/") + name); }
    QString filesFolder() const { return folder.path(QStringLiteral("files")); }

    // What the transfer classes are told of state, as it is now.
    TransferSettings settings() const
    {
        TransferSettings s;
        s.chunkSize = state.ChunkSize;
        s.newLine = state.newLineOrDefault();
        s.extractFolder = state.ExtractFolder;
        s.libraryPath = state.CurrentLibraryPath;
        s.accessLevel = state.AccessLevel;
        s.libraryReadOnly = state.LibraryReadOnly;
        return s;
    }

    ProgramFolder folder;
    ProgramState state;
    std::shared_ptr<Database> db;
};

// Records what a transfer reported and can ask for a Cancel at a chosen moment.
class FakeProgress : public Progress
{
public:
    std::vector<int> percents;
    std::vector<QString> texts;
    int polls = 0;
    bool cancel = false;
    // Runs at every new percentage, e.g. to press Cancel at 40 %.
    std::function<void(int)> onPercent;

    void setText(const QString& text) override { texts.push_back(text); }
    void setPercent(int percent) override
    {
        percents.push_back(percent);
        if (onPercent)
            onPercent(percent);
    }
    bool cancelRequested() const override
    {
        ++const_cast<FakeProgress*>(this)->polls;
        return cancel;
    }
};

// The Progress a transfer is given: counts the bars it asks for (begin) and
// gives back (end), and its polls; while a bar is open, what it is told goes
// to progress. cancel is a Cancel given for the rest of the work.
class FakeProgressHost : public Progress
{
public:
    FakeProgress progress;
    std::vector<QString> openedTexts;
    std::vector<bool> openedCancellable;
    int opens = 0;
    int closes = 0;
    int yields = 0;
    bool cancel = false;
    bool barOpen = false;
    std::function<void()> onYield;

    void begin(const QString& text, bool cancellable) override
    {
        ++opens;
        openedTexts.push_back(text);
        openedCancellable.push_back(cancellable);
        barOpen = true;
    }
    void end() override
    {
        ++closes;
        barOpen = false;
    }
    void setText(const QString& text) override { progress.setText(text); }
    void setPercent(int percent) override { progress.setPercent(percent); }
    bool cancelRequested() const override
    {
        auto* self = const_cast<FakeProgressHost*>(this);
        if (barOpen && progress.cancelRequested())
            self->cancel = true;
        ++self->yields;
        if (onYield)
            onYield();
        return cancel;
    }
};

} // namespace zentaro::test

namespace zentaro::test {

// Creates folder/name with bytes, the name given as the file system's own
// bytes (QFile would take it as UTF-8).
inline bool writeNativeFile(const QString& folder, const QByteArray& name, const QByteArray& bytes)
{
    const QByteArray path = QFile::encodeName(folder) + '/' + name;
    FILE* f = std::fopen(path.constData(), "wb");
    if (!f)
        return false;
    const bool ok = std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), f) ==
                    static_cast<size_t>(bytes.size());
    return std::fclose(f) == 0 && ok;
}

// Answers conflicts from a queue, then with a fixed answer, and keeps what it
// was asked.
class ScriptedConflicts : public ConflictResolver
{
public:
    std::deque<ConflictAnswer> answers;
    ConflictAnswer otherwise{ConflictChoice::Skip, false};
    std::vector<ExtractConflict> asked;

    ConflictAnswer Resolve(const ExtractConflict& conflict) override
    {
        asked.push_back(conflict);
        if (answers.empty())
            return otherwise;
        const ConflictAnswer next = answers.front();
        answers.pop_front();
        return next;
    }
};

inline bool nativeFileExists(const QString& folder, const QByteArray& name)
{
    const QByteArray path = QFile::encodeName(folder) + '/' + name;
    FILE* f = std::fopen(path.constData(), "rb");
    if (f)
        std::fclose(f);
    return f != nullptr;
}

} // namespace zentaro::test
