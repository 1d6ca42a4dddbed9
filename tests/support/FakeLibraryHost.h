#pragma once

#include "library/LibraryHost.h"
#include "library/LibrarySession.h"

#include <QStringList>

#include <deque>
#include <functional>
#include <vector>

namespace zentaro::test {

// A library host that records what the windows would show and answers the
// login dialog from a queue (an empty queue cancels).
class FakeLibraryHost : public LibraryHost
{
public:
    LibrarySession* session = nullptr;

    std::vector<Notice> notices;
    std::deque<std::optional<LoginAnswer>> loginAnswers;
    int loginDialogs = 0;
    QStringList loginFailures;
    bool reLoginVisible = false;
    int rightsApplied = 0;
    QString caption;
    QString countsText;
    int selected = 0;
    int listResets = 0;
    int currentPosition = -2;
    int previewerCleared = 0;

    void SetReLoginVisible(bool visible) override { reLoginVisible = visible; }
    Result<ConfigRow> ReadConfig() override
    {
        if (!session)
            return Result<ConfigRow>::failure(ErrorCode::NotFound, QStringLiteral("none"));
        return session->ReadConfig();
    }
    std::optional<LoginAnswer> ShowLoginDialog() override
    {
        ++loginDialogs;
        if (loginAnswers.empty())
            return std::nullopt;
        // Built field by field: GCC warns falsely on copying the optional.
        const bool cancelled = !loginAnswers.front().has_value();
        const QString level = cancelled ? QString() : loginAnswers.front()->Level;
        const QString password = cancelled ? QString() : loginAnswers.front()->Password;
        loginAnswers.pop_front();
        if (cancelled)
            return std::nullopt;
        return LoginAnswer{level, password};
    }
    void ShowLoginFailure(const QString& title, const QString& text) override
    {
        loginFailures << title + QStringLiteral("|") + text;
    }
    void ApplyAccessRights(const ConfigRow&) override { ++rightsApplied; }
    void ShowNotice(const Notice& notice) override { notices.push_back(notice); }
    void ClearPreviewer() override { ++previewerCleared; }
    void SetCaption(const QString& text) override { caption = text; }
    void StopEditDetection() override {}
    void ListReset() override { ++listResets; }
    void CurrentChanged(int position) override { currentPosition = position; }
    int SelectedCount() const override { return selected; }
    void SetCountsText(const QString& text) override { countsText = text; }

    QStringList noticeTexts() const
    {
        QStringList out;
        for (const Notice& n : notices)
            out << n.text;
        return out;
    }
};

} // namespace zentaro::test
