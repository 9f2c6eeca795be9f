// Profiles, fetched and shown: each GOTO_URL's page is fetched by the client
// itself (QNetworkAccessManager) and shown in a small window of its own, the
// page's text with its markup removed and its links clickable (opened by the
// desktop, QDesktopServices). Nothing of the page is rendered: no markup,
// no images, no remote content. A fetch that fails is reported, with why.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include <QDialog>
#include <QNetworkAccessManager>
#include <QUrl>

#include "profile_page.h"

class QTextBrowser;

class ProfileWindow final : public QDialog {
public:
    ProfileWindow(const QString& screenName, const QUrl& page, const std::vector<ProfileRun>& runs, QWidget* parent);
    QTextBrowser* Text() const { return text_; }

    // A link to follow: http, https and mailto only, relative ones resolved
    // against the page's address; an empty URL for anything else.
    static QUrl LinkTarget(const QUrl& page, std::string_view href);

private:
    QTextBrowser* text_;
};

class ProfileViewer final {
public:
    // `report` receives a status line's text; windows open over `parent`.
    ProfileViewer(QWidget* parent, std::function<void(const std::string&)> report);
    ~ProfileViewer();
    ProfileViewer(const ProfileViewer&) = delete;
    ProfileViewer& operator=(const ProfileViewer&) = delete;

    void Fetch(std::string_view screenName, std::string_view address);

private:
    void Finished(QNetworkReply* reply, const std::string& screenName);

    QWidget* parent_;
    std::function<void(const std::string&)> report_;
    QNetworkAccessManager network_;
};
