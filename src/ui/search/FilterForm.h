#pragma once

#include "search/SearchQuery.h"

#include <QDialog>
#include <QLocale>
#include <QString>

#include <array>
#include <optional>

class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QStackedWidget;
class QTabWidget;
class QToolButton;

namespace zentaro {

// "ZNT Search": builds a search condition and merges it into the list
// query's WHERE part. Nothing of it survives a closing.
class FilterForm : public QDialog
{
    Q_OBJECT

public:
    FilterForm(const QString& queryWhere, QWidget* parent = nullptr, const QLocale& locale = QLocale());

    // Shows the dialog modally: the new WHERE part after OK (unchanged when
    // nothing was to be built), nothing after Cancel.
    static std::optional<QString> run(QWidget* parent, const QString& queryWhere);

    // The WHERE part OK settled on.
    const QString& queryWhere() const { return m_queryWhere; }
    // What the controls say now (dates as the query takes them; a date box
    // that holds no date is passed on as typed, for the refusal to name it).
    SearchQuery::Request request() const;

    QTabWidget* searchTab() const { return m_tab; }
    QLineEdit* quickSearchText() const { return m_quickText; }
    QToolButton* fileTypeButton(int index) const { return m_fileTypes[std::size_t(index)]; }
    QComboBox* fieldNameCombo() const { return m_fieldCombo; }
    QComboBox* textTypeCombo() const { return m_textCombo; }
    QComboBox* dateTypeCombo() const { return m_dateCombo; }
    QComboBox* valueTypeCombo() const { return m_valueCombo; }
    QLineEdit* textLockBox() const { return m_textBox; }
    QLineEdit* afterDateBox() const { return m_afterBox; }
    QLineEdit* beforeDateBox() const { return m_beforeBox; }
    QLineEdit* valueLockBox() const { return m_valueBox; }
    QGroupBox* textFrame() const { return m_textFrame; }
    QGroupBox* dateFrame() const { return m_dateFrame; }
    QGroupBox* valueFrame() const { return m_valueFrame; }
    QToolButton* libraryRibbon() const { return m_libraryRibbon; }
    QToolButton* listRibbon() const { return m_listRibbon; }
    QPushButton* okButton() const { return m_ok; }

    static inline const QString kTitle = QStringLiteral("ZNT Search");

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void chooseField();
    void chooseDateKind();
    void tabChanged();
    void pickDate(QLineEdit* box);
    void confirm();
    std::optional<QString> refusedDate(const SearchQuery::Request& request) const;

    QLocale m_locale;
    QString m_queryWhere;
    QTabWidget* m_tab = nullptr;
    QLineEdit* m_quickText = nullptr;
    std::array<QToolButton*, 4> m_fileTypes{};
    QFrame* m_customPanel = nullptr;
    QComboBox* m_fieldCombo = nullptr;
    QStackedWidget* m_frames = nullptr;
    QGroupBox* m_textFrame = nullptr;
    QGroupBox* m_dateFrame = nullptr;
    QGroupBox* m_valueFrame = nullptr;
    QComboBox* m_textCombo = nullptr;
    QComboBox* m_dateCombo = nullptr;
    QComboBox* m_valueCombo = nullptr;
    QLineEdit* m_textBox = nullptr;
    QLineEdit* m_afterBox = nullptr;
    QLineEdit* m_beforeBox = nullptr;
    QLineEdit* m_valueBox = nullptr;
    QWidget* m_afterPart = nullptr;
    QLabel* m_butLabel = nullptr;
    QWidget* m_beforePart = nullptr;
    QToolButton* m_libraryRibbon = nullptr;
    QToolButton* m_listRibbon = nullptr;
    QPushButton* m_ok = nullptr;
};

} // namespace zentaro
