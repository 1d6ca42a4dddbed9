#pragma once

#include <QDate>
#include <QDialog>

#include <optional>

class QCalendarWidget;
class QPushButton;

namespace zentaro {

// "Date Selector": a month calendar that always opens on today.
class GetDateForm : public QDialog
{
    Q_OBJECT

public:
    explicit GetDateForm(QWidget* parent = nullptr);

    // Shows the dialog modally over parent: the chosen day, or nothing after
    // Cancel (the caller then leaves its field alone).
    static std::optional<QDate> pick(QWidget* parent);

    // The day OK would return.
    QDate selectedDate() const;
    QCalendarWidget* calendar() const { return m_calendar; }

private:
    void moveBy(int years, int months);

    QCalendarWidget* m_calendar = nullptr;
};

} // namespace zentaro
