#pragma once

#include <QDialog>
#include <QString>

class QLabel;
class QPushButton;

namespace zentaro {

// "About ZNT": the emblem, the full version and a Close button.
class AboutForm : public QDialog
{
    Q_OBJECT

public:
    explicit AboutForm(const QString& fullVersionText, QWidget* parent = nullptr);

    QString versionText() const;
    QPushButton* closeButton() const { return m_close; }

private:
    QLabel* m_version = nullptr;
    QPushButton* m_close = nullptr;
};

} // namespace zentaro
