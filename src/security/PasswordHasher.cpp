#include "security/PasswordHasher.h"

#include <QByteArray>
#include <QList>
#include <QStringView>

#include <sodium.h>

#include <algorithm>
#include <optional>

namespace zentaro {

namespace {

// Cost recorded in a hash string: memory in KiB and number of passes.
struct HashCost
{
    unsigned long long MemKiB = 0;
    unsigned long long Ops = 0;
};

bool IsDecimal(QStringView text, unsigned long long& value)
{
    if (text.isEmpty() || text.size() > 19)
        return false;
    value = 0;
    for (QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
        value = value * 10 + static_cast<unsigned long long>(c.unicode() - u'0');
    }
    return true;
}

bool IsBase64(QStringView text)
{
    if (text.isEmpty())
        return false;
    return std::all_of(text.begin(), text.end(), [](QChar c) {
        return (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))
            || (c >= QLatin1Char('a') && c <= QLatin1Char('z'))
            || (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('+')
            || c == QLatin1Char('/');
    });
}

// "key=<decimal>"
bool KeyValue(QStringView part, QStringView key, unsigned long long& value)
{
    if (!part.startsWith(key) || part.size() <= key.size() || part[key.size()] != QLatin1Char('='))
        return false;
    return IsDecimal(part.mid(key.size() + 1), value);
}

// $argon2id$v=19$m=<KiB>,t=<passes>,p=<lanes>$<salt>$<hash>
std::optional<HashCost> ParseHash(const QString& stored)
{
    if (stored.size() >= static_cast<qsizetype>(crypto_pwhash_STRBYTES)
        || !stored.startsWith(QLatin1String(crypto_pwhash_argon2id_STRPREFIX)))
        return std::nullopt;
    const QList<QStringView> parts = QStringView(stored).split(QLatin1Char('$'));
    if (parts.size() != 6 || !parts[0].isEmpty())
        return std::nullopt;
    unsigned long long version = 0;
    if (!KeyValue(parts[2], u"v", version))
        return std::nullopt;
    const QList<QStringView> params = parts[3].split(QLatin1Char(','));
    HashCost cost;
    unsigned long long lanes = 0;
    if (params.size() != 3 || !KeyValue(params[0], u"m", cost.MemKiB)
        || !KeyValue(params[1], u"t", cost.Ops) || !KeyValue(params[2], u"p", lanes))
        return std::nullopt;
    if (!IsBase64(parts[4]) || !IsBase64(parts[5]))
        return std::nullopt;
    return cost;
}

// The most work a stored hash may ask for: the library's "sensitive" limits,
// far above what this program writes.
bool WithinVerifyBudget(const HashCost& cost)
{
    constexpr unsigned long long maxKiB = crypto_pwhash_MEMLIMIT_SENSITIVE / 1024;
    constexpr unsigned long long maxWork = maxKiB * crypto_pwhash_OPSLIMIT_SENSITIVE;
    if (cost.MemKiB == 0 || cost.Ops == 0 || cost.MemKiB > maxKiB)
        return false;
    return cost.Ops <= maxWork / cost.MemKiB;
}

// Wipes a buffer that held a password before it is released.
void Wipe(QByteArray& bytes)
{
    if (!bytes.isEmpty())
        sodium_memzero(bytes.data(), static_cast<std::size_t>(bytes.size()));
}

} // namespace

PasswordHasher::Limits PasswordHasher::Limits::Interactive()
{
    return {crypto_pwhash_OPSLIMIT_INTERACTIVE, crypto_pwhash_MEMLIMIT_INTERACTIVE};
}

PasswordHasher::Limits PasswordHasher::Limits::Fastest()
{
    return {crypto_pwhash_OPSLIMIT_MIN, crypto_pwhash_MEMLIMIT_MIN};
}

PasswordHasher::PasswordHasher(Limits limits) : m_limits(limits)
{
    m_limits.OpsLimit = std::max<unsigned long long>(m_limits.OpsLimit, crypto_pwhash_OPSLIMIT_MIN);
    m_limits.MemLimit = std::max<std::size_t>(m_limits.MemLimit, crypto_pwhash_MEMLIMIT_MIN);
}

Status PasswordHasher::Initialise()
{
    static const int rc = sodium_init();
    if (rc < 0)
        return Status::failure(ErrorCode::Io,
                               QStringLiteral("The password library could not be started."));
    return Status::success();
}

QString PasswordHasher::ComparisonForm(const QString& password, Form form)
{
    return form == Form::Trimmed ? password.trimmed().toUpper() : password.toUpper();
}

Result<QString> PasswordHasher::Hash(const QString& text) const
{
    if (Status init = Initialise(); !init)
        return init;
    QByteArray bytes = text.toUtf8();
    char out[crypto_pwhash_STRBYTES] = {};
    const int rc = crypto_pwhash_str_alg(out, bytes.constData(),
                                         static_cast<unsigned long long>(bytes.size()),
                                         m_limits.OpsLimit, m_limits.MemLimit,
                                         crypto_pwhash_ALG_ARGON2ID13);
    Wipe(bytes);
    if (rc != 0)
        return Result<QString>::failure(
            ErrorCode::Io,
            QStringLiteral("The password could not be protected (not enough memory)."));
    return QString::fromLatin1(out);
}

Result<QString> PasswordHasher::StoredForm(const QString& typed, Form form) const
{
    if (typed.isEmpty() || IsHash(typed))
        return typed;
    if (form == Form::Trimmed && typed == kNoBrowsePassword)
        return typed;
    return Hash(ComparisonForm(typed, form));
}

Result<ConfigRow> PasswordHasher::PrepareForStorage(const ConfigRow& typed) const
{
    ConfigRow row = typed;
    if (row.BrowsePassword.isEmpty())
        row.BrowsePassword = kNoBrowsePassword;

    Result<QString> browse = StoredForm(row.BrowsePassword, Form::Trimmed);
    if (!browse)
        return browse.status();
    Result<QString> edit = StoredForm(row.EditPassword, Form::Untrimmed);
    if (!edit)
        return edit.status();
    Result<QString> admin = StoredForm(row.AdminPassword, Form::Untrimmed);
    if (!admin)
        return admin.status();

    row.BrowsePassword = *browse;
    row.EditPassword = *edit;
    row.AdminPassword = *admin;
    return row;
}

bool PasswordHasher::IsHash(const QString& stored)
{
    return ParseHash(stored).has_value();
}

bool PasswordHasher::VerifiableCost(const QString& stored)
{
    const std::optional<HashCost> cost = ParseHash(stored);
    return cost && WithinVerifyBudget(*cost);
}

bool PasswordHasher::Verify(const QString& stored, const QString& entered, Form form)
{
    if (stored.isNull())
        return false;
    const std::optional<HashCost> cost = ParseHash(stored);
    if (!cost)
        return entered == ComparisonForm(stored, form);

    if (!WithinVerifyBudget(*cost) || !Initialise())
        return false;
    const QByteArray hash = stored.toLatin1();
    QByteArray bytes = entered.toUtf8();
    const int rc = crypto_pwhash_str_verify(hash.constData(), bytes.constData(),
                                            static_cast<unsigned long long>(bytes.size()));
    Wipe(bytes);
    return rc == 0;
}

} // namespace zentaro
