#include "ui/search/FilterForm.h"

#include "search/SearchDates.h"
#include "ui/common/MessageBoxes.h"
#include "ui/date/GetDateForm.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QStackedWidget>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace zentaro {

namespace {

template <typename T>
T* named(T* widget, const char* name)
{
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

QComboBox* comboOf(QWidget* parent, const char* name, const QStringList& items)
{
    auto* combo = named(new QComboBox(parent), name);
    combo->addItems(items);
    combo->setCurrentIndex(0);
    return combo;
}

QToolButton* ribbon(QWidget* parent, const char* name, const QString& caption)
{
    auto* button = named(new QToolButton(parent), name);
    button->setText(caption);
    button->setCheckable(true);
    button->setAutoRaise(false);
    button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    return button;
}

QLabel* label(QWidget* parent, const char* name, const QString& caption)
{
    auto* out = new QLabel(caption, parent);
    if (name)
        out->setObjectName(QString::fromLatin1(name));
    return out;
}

} // namespace

FilterForm::FilterForm(const QString& queryWhere, QWidget* parent, const QLocale& locale)
    : QDialog(parent), m_locale(locale), m_queryWhere(queryWhere)
{
    setObjectName(QStringLiteral("FilterForm"));
    setWindowTitle(kTitle);
    setModal(true);

    m_tab = named(new QTabWidget(this), "SearchTab");

    // Quick Search
    auto* quick = new QWidget;
    auto* quickLayout = new QVBoxLayout(quick);
    quickLayout->addWidget(label(quick, nullptr, QStringLiteral("Containing the word or phrase")));
    m_quickText = named(new QLineEdit(quick), "QuickSearchText");
    quickLayout->addWidget(m_quickText);
    auto* types = new QGroupBox(QStringLiteral("File Type"), quick);
    auto* typesLayout = new QHBoxLayout(types);
    auto* typeGroup = new QButtonGroup(this);
    const QStringList classes = SearchQuery::FileClassCaptions();
    for (int i = 0; i < 4; ++i) {
        const QByteArray name = "FileTypeButton" + QByteArray::number(i);
        QToolButton* button = ribbon(types, name.constData(), classes[i]);
        typeGroup->addButton(button, i);
        typesLayout->addWidget(button);
        button->installEventFilter(this);
        m_fileTypes[std::size_t(i)] = button;
    }
    typeGroup->setExclusive(true);
    m_fileTypes[0]->setChecked(true);
    quickLayout->addWidget(types);
    quickLayout->addStretch();
    m_tab->addTab(quick, QStringLiteral("Quick Search"));

    // Custom Search
    m_customPanel = named(new QFrame, "CustomPanel");
    auto* customLayout = new QVBoxLayout(m_customPanel);
    auto* fieldRow = new QHBoxLayout;
    fieldRow->addWidget(label(m_customPanel, nullptr, QStringLiteral("Field to Search:")));
    m_fieldCombo = comboOf(m_customPanel, "FieldNameCombo", SearchQuery::FieldNames());
    fieldRow->addWidget(m_fieldCombo, 1);
    customLayout->addLayout(fieldRow);

    m_frames = new QStackedWidget(m_customPanel);
    m_textFrame = named(new QGroupBox(QStringLiteral("Text Search")), "TextSearchFrame");
    auto* textLayout = new QGridLayout(m_textFrame);
    textLayout->addWidget(label(m_textFrame, nullptr, QStringLiteral("For Records:")), 0, 0);
    m_textCombo = comboOf(m_textFrame, "TextTypeCombo", SearchQuery::TextMatchCaptions());
    textLayout->addWidget(m_textCombo, 0, 1);
    textLayout->addWidget(label(m_textFrame, nullptr, QStringLiteral("The Word or Phrase:")), 1, 0);
    m_textBox = named(new QLineEdit(m_textFrame), "TextLockBox");
    textLayout->addWidget(m_textBox, 1, 1);

    m_dateFrame = named(new QGroupBox(QStringLiteral("Date Search")), "DateSearchFrame");
    auto* dateLayout = new QGridLayout(m_dateFrame);
    dateLayout->addWidget(label(m_dateFrame, nullptr, QStringLiteral("For Dates:")), 0, 0);
    m_dateCombo = comboOf(m_dateFrame, "DateTypeCombo", SearchQuery::DateMatchCaptions());
    dateLayout->addWidget(m_dateCombo, 0, 1, 1, 3);
    const QString today = SearchDates::Format(QDate::currentDate(), m_locale);
    auto datePart = [this, &today](const char* labelName, const QString& caption, const char* boxName,
                                   const char* buttonName, QLineEdit** box) {
        auto* part = new QWidget(m_dateFrame);
        auto* row = new QHBoxLayout(part);
        row->setContentsMargins(0, 0, 0, 0);
        row->addWidget(label(part, labelName, caption));
        *box = named(new QLineEdit(today, part), boxName);
        (*box)->setPlaceholderText(SearchDates::DisplayFormat(m_locale));
        row->addWidget(*box, 1);
        auto* select = named(new QPushButton(QStringLiteral("Select"), part), buttonName);
        select->setAutoDefault(false);
        row->addWidget(select);
        QLineEdit* target = *box;
        connect(select, &QPushButton::clicked, this, [this, target] { pickDate(target); });
        return part;
    };
    m_afterPart = datePart("AfterLabel", QStringLiteral("After"), "AfterDateBox", "GetAfterDateButton", &m_afterBox);
    m_butLabel = label(m_dateFrame, "ButLabel", QStringLiteral("but"));
    m_beforePart =
        datePart("BeforeLabel", QStringLiteral("Before"), "BeforeDateBox", "GetBeforeDateButton", &m_beforeBox);
    dateLayout->addWidget(m_afterPart, 1, 0, 1, 4);
    dateLayout->addWidget(m_butLabel, 2, 0);
    dateLayout->addWidget(m_beforePart, 3, 0, 1, 4);

    m_valueFrame = named(new QGroupBox(QStringLiteral("Value Search")), "ValueSearchFrame");
    auto* valueLayout = new QGridLayout(m_valueFrame);
    valueLayout->addWidget(label(m_valueFrame, nullptr, QStringLiteral("For Values")), 0, 0);
    m_valueCombo = comboOf(m_valueFrame, "ValueTypeCombo", SearchQuery::ValueMatchCaptions());
    valueLayout->addWidget(m_valueCombo, 0, 1);
    m_valueBox = named(new QLineEdit(m_valueFrame), "ValueLockBox");
    valueLayout->addWidget(m_valueBox, 1, 0, 1, 2);

    m_frames->addWidget(m_textFrame);
    m_frames->addWidget(m_dateFrame);
    m_frames->addWidget(m_valueFrame);
    customLayout->addWidget(m_frames);
    customLayout->addStretch();
    m_tab->addTab(m_customPanel, QStringLiteral("Custom Search"));

    // Scope
    auto* scope = new QGroupBox(QStringLiteral("  Search"), this);
    auto* scopeLayout = new QHBoxLayout(scope);
    m_libraryRibbon = ribbon(scope, "SearchLibraryRibbon", QStringLiteral("Entire Library"));
    m_listRibbon = ribbon(scope, "SearchListRibbon", QStringLiteral("Current List"));
    auto* scopeGroup = new QButtonGroup(this);
    scopeGroup->addButton(m_libraryRibbon);
    scopeGroup->addButton(m_listRibbon);
    scopeGroup->setExclusive(true);
    m_libraryRibbon->setChecked(true);
    scopeLayout->addWidget(m_libraryRibbon);
    scopeLayout->addWidget(m_listRibbon);

    m_ok = named(new QPushButton(QStringLiteral("OK"), this), "OKButton");
    m_ok->setDefault(true);
    auto* cancel = named(new QPushButton(QStringLiteral("Cancel"), this), "CancelButton");
    cancel->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(scope, 1);
    buttons->addWidget(m_ok);
    buttons->addWidget(cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_tab);
    layout->addLayout(buttons);

    connect(m_tab, &QTabWidget::currentChanged, this, &FilterForm::tabChanged);
    connect(m_fieldCombo, &QComboBox::currentIndexChanged, this, &FilterForm::chooseField);
    connect(m_dateCombo, &QComboBox::currentIndexChanged, this, &FilterForm::chooseDateKind);
    connect(m_ok, &QPushButton::clicked, this, &FilterForm::confirm);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    m_tab->setCurrentIndex(0);
    tabChanged();
    chooseField();
    chooseDateKind();
    m_quickText->setFocus();
}

bool FilterForm::eventFilter(QObject* watched, QEvent* event)
{
    // Releasing the mouse on a file-type button goes back to the text.
    if (event->type() == QEvent::MouseButtonRelease) {
        for (QToolButton* button : m_fileTypes) {
            if (watched == button) {
                const bool handled = QDialog::eventFilter(watched, event);
                m_quickText->setFocus();
                return handled;
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}

void FilterForm::tabChanged()
{
    const bool quick = m_tab->currentIndex() == 0;
    m_customPanel->setEnabled(!quick);
    m_quickText->setEnabled(quick);
}

void FilterForm::chooseField()
{
    const std::optional<SearchQuery::Frame> frame = SearchQuery::FrameFor(m_fieldCombo->currentText());
    const SearchQuery::Frame shown = frame.value_or(SearchQuery::Frame::Text);
    QGroupBox* front = shown == SearchQuery::Frame::Date    ? m_dateFrame
                       : shown == SearchQuery::Frame::Value ? m_valueFrame
                                                            : m_textFrame;
    for (QGroupBox* f : {m_textFrame, m_dateFrame, m_valueFrame})
        f->setEnabled(f == front);
    m_frames->setCurrentWidget(front);
}

void FilterForm::chooseDateKind()
{
    const auto kind = static_cast<SearchQuery::DateMatch>(m_dateCombo->currentIndex());
    m_afterPart->setVisible(kind != SearchQuery::DateMatch::Before);
    m_butLabel->setVisible(kind == SearchQuery::DateMatch::Between);
    m_beforePart->setVisible(kind != SearchQuery::DateMatch::After);
}

void FilterForm::pickDate(QLineEdit* box)
{
    if (const std::optional<QDate> picked = GetDateForm::pick(this))
        box->setText(SearchDates::Format(*picked, m_locale));
}

SearchQuery::Request FilterForm::request() const
{
    SearchQuery::Request r;
    r.ShownTab = m_tab->currentIndex() == 0 ? SearchQuery::Tab::QuickSearch : SearchQuery::Tab::CustomSearch;
    r.QuickText = m_quickText->text();
    for (int i = 0; i < 4; ++i) {
        if (m_fileTypes[std::size_t(i)]->isChecked())
            r.Class = static_cast<SearchQuery::FileClass>(i);
    }
    SearchQuery::Custom& c = r.CustomSearch;
    c.Field = m_fieldCombo->currentText();
    c.Text = static_cast<SearchQuery::TextMatch>(m_textCombo->currentIndex());
    c.Phrase = m_textBox->text();
    c.Date = static_cast<SearchQuery::DateMatch>(m_dateCombo->currentIndex());
    auto queryDate = [this](const QLineEdit* box) {
        const std::optional<QDate> date = SearchDates::Parse(box->text(), m_locale);
        return date ? SearchDates::QueryText(*date) : box->text();
    };
    c.After = queryDate(m_afterBox);
    c.Before = queryDate(m_beforeBox);
    c.Value = static_cast<SearchQuery::ValueMatch>(m_valueCombo->currentIndex());
    c.Number = m_valueBox->text();
    r.SearchScope = m_listRibbon->isChecked() ? SearchQuery::Scope::CurrentList : SearchQuery::Scope::EntireLibrary;
    return r;
}

std::optional<QString> FilterForm::refusedDate(const SearchQuery::Request& r) const
{
    if (r.ShownTab != SearchQuery::Tab::CustomSearch
        || SearchQuery::FrameFor(r.CustomSearch.Field) != SearchQuery::Frame::Date)
        return std::nullopt;
    const SearchQuery::DateMatch kind = r.CustomSearch.Date;
    auto check = [&](const QLineEdit* box, const QString& which) -> std::optional<QString> {
        if (SearchDates::Parse(box->text(), m_locale))
            return std::nullopt;
        return QStringLiteral("The %1 date \"%2\" for %3 is not a date. Type it as %4, or choose it with \"Select\".")
            .arg(which, box->text(), r.CustomSearch.Field, SearchDates::Format(QDate::currentDate(), m_locale));
    };
    if (kind != SearchQuery::DateMatch::Before) {
        if (std::optional<QString> refused = check(m_afterBox, QStringLiteral("After")))
            return refused;
    }
    if (kind != SearchQuery::DateMatch::After)
        return check(m_beforeBox, QStringLiteral("Before"));
    return std::nullopt;
}

void FilterForm::confirm()
{
    const SearchQuery::Request r = request();
    if (const std::optional<QString> refused = refusedDate(r)) {
        MessageBoxes::exclamation(this, kTitle, *refused);
        return;
    }
    Result<QString> where = SearchQuery::ApplySearch(m_queryWhere, r);
    if (!where) {
        // The user's input stays for him to mend.
        MessageBoxes::exclamation(this, kTitle, where.message());
        return;
    }
    m_queryWhere = *where;
    accept();
}

std::optional<QString> FilterForm::run(QWidget* parent, const QString& queryWhere)
{
    FilterForm form(queryWhere, parent);
    if (form.exec() != QDialog::Accepted)
        return std::nullopt;
    return form.queryWhere();
}

} // namespace zentaro
