#pragma once

#include "store/ConfigRow.h"

#include <QDialog>
#include <QString>
#include <QUrl>

#include <functional>
#include <optional>

class QPushButton;

namespace zentaro {

// "Information about Current Library": the library's description for every
// user, how many records it holds and how many bytes they store, and a
// button that opens the user's mail program on a new message to the librarian.
class LibraryInfoForm : public QDialog
{
    Q_OBJECT

public:
    // Opens a mailto: address with the desktop's opener.
    using MailOpener = std::function<bool(const QUrl& url)>;

    struct Totals
    {
        qint64 records = 0;
        qint64 bytes = 0; // the records' FileSize added up
    };

    // totals: nothing when they could not be read.
    explicit LibraryInfoForm(const ConfigRow& config, const std::optional<Totals>& totals = std::nullopt,
                             QWidget* parent = nullptr);

    // Test seam; an empty opener puts the desktop's back. Returns the one before.
    static MailOpener setMailOpener(MailOpener opener);

    // False for an empty address or "UNKNOWN" in any case and with outer blanks.
    static bool HasMailAddress(const QString& email);
    // "mailto:" and the trimmed address, percent-encoded.
    static QUrl MailUrl(const QString& email);

    void sendMail();

    static inline const QString kCaption = QStringLiteral("Information about Current Library");

private:
    QString m_email;
};

} // namespace zentaro
