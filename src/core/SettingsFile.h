#pragma once

#include "core/Drive.h"
#include "core/Result.h"
#include "core/SettingsRecord.h"
#include "core/Status.h"

#include <QByteArray>
#include <QByteArrayView>

#include <functional>

namespace zentaro {

// The local settings file ZNT.CFG beside the program: one fixed-order record
// in the first 10000-byte slot, read into the settings record at start-up
// and written back whole.
class SettingsFile
{
public:
    static constexpr qsizetype kRecordLength = 10000;

    // Where the file is and what a new record's defaults are made of.
    struct Place
    {
        QString filePath;       // ZNT.CFG
        QString programFolder;
        QString programVersion; // stamped on the record
        QString defaultLibrary; // DefaultLibrary of a new record
    };

    // Reads into and writes from settings. lookup tells which file system
    // holds a path; tests simulate others.
    SettingsFile(SettingsRecord& settings, Place place, Drive::Lookup lookup = &Drive::systemLookup);

    // The screen width the default FilePaneSize is a share of; the window
    // layer supplies it. Zero or less restores the fallback for no screen.
    void setScreenWidthTwips(double twips);
    double screenWidthTwips() const { return m_screenWidthTwips; }

    // Reads the file into Settings (defaults when it is missing or under two
    // bytes), keeps the remembered folders on the program's drive, writes the
    // record back and upgrades a file of another version. Never leaves
    // Settings unfilled: a failure is returned for the caller to note, and
    // start-up goes on with what was read and defaults for the rest.
    Status LoadConfig();
    // Adjusts Settings written by an older version, stamps ProgramVersion and saves.
    Status UpgradeConfig();
    // Writes the whole record, padded to its slot, through a temporary file
    // beside the target that replaces it only once complete.
    Status SaveSettings();

    // The record's bytes without padding; fails when it outgrows its slot.
    static Result<QByteArray> encode(const SettingsRecord& settings);
    // The record from the start of the file's bytes; bytes missing at the end
    // read as zeros, bytes after the slot are ignored.
    static SettingsRecord decode(QByteArrayView bytes);

    // Runs during SaveSettings after the temporary file is complete and synced
    // and before it replaces the old file; lets a test kill a save halfway.
    void setBeforeReplaceHook(std::function<void()> hook) { m_beforeReplace = std::move(hook); }

private:
    SettingsRecord defaults() const;

    SettingsRecord& m_settings;
    Place m_place;
    Drive::Lookup m_lookup;
    double m_screenWidthTwips;
    std::function<void()> m_beforeReplace;
};

} // namespace zentaro
