#include "ui/date/GetDateForm.h"

#include <QCalendarWidget>
#include <QGridLayout>
#include <QPushButton>

namespace zentaro {

GetDateForm::GetDateForm(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("GetDateForm"));
    setWindowTitle(QStringLiteral("Date Selector"));
    setModal(true);

    m_calendar = new QCalendarWidget(this);
    m_calendar->setObjectName(QStringLiteral("Calendar1"));
    m_calendar->setGridVisible(true);
    // QCalendarWidget always keeps a day selected, so OK always has one.
    m_calendar->setSelectedDate(QDate::currentDate());

    auto makeButton = [this](const char* name, const char* caption) {
        auto* button = new QPushButton(QString::fromLatin1(caption), this);
        button->setObjectName(QString::fromLatin1(name));
        button->setAutoDefault(false);
        return button;
    };
    QPushButton* previousYear = makeButton("PreviousYearButton", "Previous Year");
    QPushButton* previousMonth = makeButton("PreviousMonthButton", "Previous Month");
    QPushButton* nextMonth = makeButton("NextMonthButton", "Next Month");
    QPushButton* nextYear = makeButton("NextYearButton", "Next Year");
    QPushButton* today = makeButton("TodayButton", "Today");
    today->setToolTip(QStringLiteral("Resets to Todays Date"));
    QPushButton* ok = makeButton("OKButton", "OK");
    ok->setDefault(true);
    QPushButton* cancel = makeButton("CancelButton", "Cancel");

    auto* grid = new QGridLayout(this);
    grid->addWidget(m_calendar, 0, 0, 1, 4);
    grid->addWidget(previousYear, 1, 0);
    grid->addWidget(previousMonth, 1, 1);
    grid->addWidget(nextMonth, 1, 2);
    grid->addWidget(nextYear, 1, 3);
    grid->addWidget(today, 2, 0);
    grid->addWidget(ok, 2, 2);
    grid->addWidget(cancel, 2, 3);

    connect(previousYear, &QPushButton::clicked, this, [this] { moveBy(-1, 0); });
    connect(previousMonth, &QPushButton::clicked, this, [this] { moveBy(0, -1); });
    connect(nextMonth, &QPushButton::clicked, this, [this] { moveBy(0, 1); });
    connect(nextYear, &QPushButton::clicked, this, [this] { moveBy(1, 0); });
    connect(today, &QPushButton::clicked, this, [this] {
        m_calendar->setSelectedDate(QDate::currentDate());
    });
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    // Double-clicking a day (or Enter on it) chooses it, as OK does.
    connect(m_calendar, &QCalendarWidget::activated, this, [this](const QDate& day) {
        m_calendar->setSelectedDate(day);
        accept();
    });
}

void GetDateForm::moveBy(int years, int months)
{
    const QDate moved = m_calendar->selectedDate().addYears(years).addMonths(months);
    m_calendar->setSelectedDate(moved);
}

QDate GetDateForm::selectedDate() const
{
    return m_calendar->selectedDate();
}

std::optional<QDate> GetDateForm::pick(QWidget* parent)
{
    GetDateForm form(parent);
    if (form.exec() != QDialog::Accepted)
        return std::nullopt;
    return form.selectedDate();
}

} // namespace zentaro
