#pragma once

#include "core/Result.h"
#include "core/Status.h"
#include "store/ConfigRow.h"

#include <QString>

#include <cstddef>

namespace zentaro {

// Keeps the access passwords of a library out of plain sight: anyone can open a
// library file with an SQLite tool, so each password is stored as an Argon2id
// hash of the form it is compared in. Values written before hashing (plain text)
// are still compared by the old rules, so existing libraries keep working.
class PasswordHasher
{
public:
    // Cost of one hash. The program uses at least the interactive limits; tests
    // use the fastest the library allows.
    struct Limits
    {
        unsigned long long OpsLimit = 0;
        std::size_t MemLimit = 0;

        static Limits Interactive();
        static Limits Fastest();
    };

    // How a level's password is put into comparison form: the Browser password
    // is trimmed, the Editor and Administrator passwords are not.
    enum class Form { Trimmed, Untrimmed };

    // Limits below the library's minimum are raised to it.
    explicit PasswordHasher(Limits limits = Limits::Interactive());

    const Limits& limits() const { return m_limits; }

    // Readies libsodium; safe to call any number of times.
    static Status Initialise();

    // The text a password is compared as: in capitals, and trimmed for Trimmed.
    static QString ComparisonForm(const QString& password, Form form);

    // An Argon2id hash string of exactly this text.
    Result<QString> Hash(const QString& text) const;

    // What to store for one password as typed. A null or empty value stays as it
    // is (so "no password" can still be told from a password), as does the single
    // blank that marks "no Browser password" (Trimmed form only) and a value that
    // is already a hash (an unchanged password read back from the library).
    Result<QString> StoredForm(const QString& typed, Form form) const;

    // The Config row to write, from the row with the passwords as typed in the
    // library settings dialog. An empty Browser password becomes the single
    // blank first. Fields other than the three passwords are copied unchanged.
    Result<ConfigRow> PrepareForStorage(const ConfigRow& typed) const;

    // True when stored is an Argon2id hash string as Hash writes it.
    static bool IsHash(const QString& stored);

    // True for a hash whose recorded cost is within what a login may spend
    // (at most the library's "sensitive" memory and passes).
    static bool VerifiableCost(const QString& stored);

    // Whether entered (already in comparison form) matches a stored value:
    // a hash is verified, anything else is compared as plain text in the given
    // form. A null stored value never matches. A hash whose cost lies beyond
    // what this program would ever write is refused unverified, so a crafted
    // library cannot stall or exhaust the machine at login.
    static bool Verify(const QString& stored, const QString& entered, Form form);

    // Marker of "no Browser password".
    static inline const QString kNoBrowsePassword = QStringLiteral(" ");

private:
    Limits m_limits;
};

} // namespace zentaro
