#include "profile_viewer.h"

#include <algorithm>

#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QNetworkReply>
#include <QPushButton>
#include <QTextBrowser>
#include <QVBoxLayout>

#include "display_text.h"

namespace {

constexpr qint64 kMaxPageBytes = 256 * 1024;
constexpr int kFetchTimeoutMs = 20000;
// Set on a reply the viewer stopped because the page was too large.
constexpr const char* kTooLarge = "quenloTooLarge";

bool Followable(const QUrl& url)
{
    const QString scheme = url.scheme().toLower();
    return url.isValid() && (scheme == "http" || scheme == "https" || scheme == "mailto");
}

// The runs as the window's own markup: escaped text, links as anchors.
QString RunsAsHtml(const QUrl& page, const std::vector<ProfileRun>& runs)
{
    QString html = QStringLiteral("<div style=\"white-space: pre-wrap\">");
    for (const ProfileRun& run : runs) {
        const QString text = DisplayText(run.text).toHtmlEscaped();
        const QUrl target = run.link.empty() ? QUrl() : ProfileWindow::LinkTarget(page, run.link);
        if (target.isEmpty())
            html += text;
        else
            html += "<a href=\"" + QString::fromUtf8(target.toEncoded()).toHtmlEscaped() + "\">" + text + "</a>";
    }
    return html + "</div>";
}

// The page's text in one line, for a failure's reason.
std::string PageLine(const QByteArray& body)
{
    std::string text;
    for (const ProfileRun& run : ProfileRuns(std::string_view(body.constData(), static_cast<std::size_t>(body.size()))))
        text += run.text;
    std::replace(text.begin(), text.end(), '\n', ' ');
    return text.substr(0, 200);
}

}  // namespace

ProfileWindow::ProfileWindow(const QString& screenName, const QUrl& page, const std::vector<ProfileRun>& runs,
                             QWidget* parent)
    : QDialog(parent)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Profile of %1").arg(screenName));
    text_ = new QTextBrowser(this);
    // Links go to the desktop's browser; the window itself loads nothing.
    text_->setOpenLinks(false);
    text_->setOpenExternalLinks(false);
    text_->setAccessibleName(QStringLiteral("Profile"));
    text_->setHtml(RunsAsHtml(page, runs));
    QObject::connect(text_, &QTextBrowser::anchorClicked, this, [](const QUrl& url) {
        if (Followable(url))
            QDesktopServices::openUrl(url);
    });
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    QObject::connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text_);
    layout->addWidget(buttons);
    resize(420, 320);
}

QUrl ProfileWindow::LinkTarget(const QUrl& page, std::string_view href)
{
    const QUrl link(QString::fromUtf8(href.data(), static_cast<qsizetype>(href.size())), QUrl::TolerantMode);
    const QUrl target = page.resolved(link);
    return Followable(target) ? target : QUrl();
}

ProfileViewer::ProfileViewer(QWidget* parent, std::function<void(const std::string&)> report)
    : parent_(parent), report_(std::move(report))
{
}

ProfileViewer::~ProfileViewer()
{
    // A fetch still running ends quietly with the window.
    for (QNetworkReply* reply : network_.findChildren<QNetworkReply*>()) {
        QObject::disconnect(reply, nullptr, nullptr, nullptr);
        reply->abort();
    }
}

void ProfileViewer::Fetch(std::string_view screenName, std::string_view address)
{
    const std::string name(screenName);
    const QUrl url(QString::fromUtf8(address.data(), static_cast<qsizetype>(address.size())), QUrl::TolerantMode);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || (scheme != "http" && scheme != "https") || url.host().isEmpty()) {
        report_("Could not fetch the profile of " + std::string(screenName) + ": " + std::string(address) +
                " is no web address.");
        return;
    }
    QNetworkRequest request(url);
    request.setTransferTimeout(kFetchTimeoutMs);
    QNetworkReply* reply = network_.get(request);
    QObject::connect(reply, &QNetworkReply::downloadProgress, reply, [reply](qint64 received, qint64) {
        if (received > kMaxPageBytes && !reply->property(kTooLarge).toBool()) {
            reply->setProperty(kTooLarge, true);
            reply->abort();
        }
    });
    QObject::connect(reply, &QNetworkReply::finished, reply, [this, reply, name] { Finished(reply, name); });
}

void ProfileViewer::Finished(QNetworkReply* reply, const std::string& screenName)
{
    reply->deleteLater();
    const std::string who = "Could not fetch the profile of " + screenName + ": ";
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (reply->property(kTooLarge).toBool()) {
        report_(who + "the page is larger than " + std::to_string(kMaxPageBytes / 1024) + " KiB.");
        return;
    }
    if (status >= 400) {
        const QByteArray body = reply->read(kMaxPageBytes);
        const std::string page = PageLine(body);
        const std::string answer =
            std::to_string(status) + " " +
            reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString().toStdString();
        report_(who + (page.empty() ? "" : page + " ") + "(the server answered " + answer + ").");
        return;
    }
    if (reply->error() == QNetworkReply::OperationCanceledError) {
        report_(who + "no answer within " + std::to_string(kFetchTimeoutMs / 1000) + " seconds.");
        return;
    }
    if (reply->error() != QNetworkReply::NoError) {
        report_(who + reply->errorString().toStdString() + ".");
        return;
    }
    const QByteArray body = reply->read(kMaxPageBytes);
    auto* window = new ProfileWindow(
        DisplayText(screenName), reply->url(), ProfileRuns(std::string_view(body.constData(), static_cast<std::size_t>(body.size()))),
        parent_);
    window->show();
}
