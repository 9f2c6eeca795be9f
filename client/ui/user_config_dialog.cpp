#include "user_config_dialog.h"

#include "app_settings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QIntValidator>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "session_state.h"
#include "settings_state.h"
#include "display_text.h"
#include "output.h"
#include "proxy_settings.h"
#include "settings_edits.h"

namespace {

// The profile is HTML, sent as typed: a first-time user sees "<br>" in the
// box and should know why.
const QString kProfileHint = QStringLiteral(
    "What others see when they ask for your Info. HTML is allowed: write <br> where a line should break.");

QLineEdit* LimitedEdit(QWidget* parent, std::size_t room, const std::string& text)
{
    auto* edit = new QLineEdit(parent);
    edit->setMaxLength(static_cast<int>(room));
    SetFieldBytes(edit, text);
    return edit;
}

}  // namespace

UserConfigDialog::UserConfigDialog(const Printer& out, SessionState& session, SettingsState& settings, QWidget* parent)
    : QDialog(parent), out_(out), session_(session), settings_(settings)
{
    setWindowTitle(QStringLiteral("User Configuration"));
    setModal(true);
    const UserConfigValues values = ReadUserConfig(settings.userInfo);

    auto* ok = new QPushButton(QStringLiteral("&OK"), this);
    auto* cancel = new QPushButton(QStringLiteral("&Cancel"), this);
    ok->setDefault(true);
    const UserInfo& record = settings.userInfo;  // each text edit holds what its field holds
    screenName_ = LimitedEdit(this, FieldRoom(record.screenName), values.screenName);
    password_ = LimitedEdit(this, FieldRoom(record.password), values.password);
    // Masked on screen and to screen readers; the box shows it on request.
    password_->setEchoMode(QLineEdit::Password);
    showPassword_ = new QCheckBox(QStringLiteral("S&how password"), this);
    QObject::connect(showPassword_, &QCheckBox::toggled, this, [this](bool shown) {
        password_->setEchoMode(shown ? QLineEdit::Normal : QLineEdit::Password);
    });
    oscarServer_ = LimitedEdit(this, FieldRoom(record.oscarServer), values.oscarServer);
    oscarPort_ = LimitedEdit(this, kMaxPortText, values.oscarPort);
    tocServer_ = LimitedEdit(this, FieldRoom(record.tocServer), values.tocServer);
    tocPort_ = LimitedEdit(this, kMaxPortText, values.tocPort);
    profile_ = new QPlainTextEdit(this);
    SetFieldBytes(profile_, values.userProfile);
    profile_->setPlaceholderText(QStringLiteral("About you, in HTML"));
    profile_->setToolTip(kProfileHint);
    profile_->setAccessibleDescription(kProfileHint);
    auto* profileHint = new QLabel(kProfileHint, this);
    profileHint->setTextFormat(Qt::PlainText);
    profileHint->setWordWrap(true);
    profileHint->setForegroundRole(QPalette::PlaceholderText);
    logToFile_ = new QCheckBox(QStringLiteral("&Log to file:"), this);
    logToFile_->setChecked(values.logToFile);
    logPath_ = LimitedEdit(this, FieldRoom(record.logPath), values.logPath);
    timestamp_ = new QCheckBox(QStringLiteral("&Timestamp"), this);
    timestamp_->setChecked(values.timestamp);
    keyring_ = new QCheckBox(QStringLiteral("&Keep the password in the desktop keyring"), this);
    keyring_->setChecked(settings.app.passwordInKeyring);

    auto* form = new QFormLayout;
    form->setLabelAlignment(Qt::AlignRight);
    form->addRow(QStringLiteral("Screen name:"), screenName_);
    auto* passwordRow = new QHBoxLayout;
    passwordRow->addWidget(password_, 1);
    passwordRow->addWidget(showPassword_);
    form->addRow(QStringLiteral("Password:"), passwordRow);
    form->addRow(QString(), keyring_);
    form->addRow(QStringLiteral("OSCAR server:"), oscarServer_);
    form->addRow(QStringLiteral("OSCAR port:"), oscarPort_);
    form->addRow(QStringLiteral("TOC server:"), tocServer_);
    form->addRow(QStringLiteral("TOC port:"), tocPort_);
    form->addRow(QStringLiteral("User profile:"), profile_);
    form->addRow(QString(), profileHint);
    form->addRow(QString(), logToFile_);
    auto* logRow = new QHBoxLayout;
    logRow->addWidget(logPath_, 1);
    logRow->addWidget(timestamp_);
    form->addRow(QString(), logRow);
    form->addRow(BuildProxyBox());

    auto* buttons = new QVBoxLayout;
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    buttons->addStretch(1);
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(form, 1);
    layout->addLayout(buttons);

    setTabOrder(ok, cancel);
    setTabOrder(cancel, screenName_);
    setTabOrder(screenName_, password_);
    setTabOrder(password_, showPassword_);
    setTabOrder(showPassword_, keyring_);
    setTabOrder(keyring_, oscarServer_);
    setTabOrder(oscarServer_, oscarPort_);
    setTabOrder(oscarPort_, tocServer_);
    setTabOrder(tocServer_, tocPort_);
    setTabOrder(tocPort_, profile_);
    setTabOrder(profile_, logPath_);
    setTabOrder(logPath_, logToFile_);
    setTabOrder(logToFile_, timestamp_);
    setTabOrder(timestamp_, proxyMode_);
    setTabOrder(proxyMode_, proxyHost_);
    setTabOrder(proxyHost_, proxyPort_);
    setTabOrder(proxyPort_, proxyUser_);
    setTabOrder(proxyUser_, proxyPassword_);

    // The path field's only label is the check box above it.
    logPath_->setAccessibleName(QStringLiteral("Log file path"));
    // Typing starts in the first field: a Space on a focused OK would close
    // the dialog before a name was entered.
    screenName_->setFocus();

    QObject::connect(ok, &QPushButton::clicked, this, [this] { accept(); });
    QObject::connect(cancel, &QPushButton::clicked, this, [this] { reject(); });
}

void UserConfigDialog::accept()
{
    UserConfigValues values;
    values.screenName = FieldBytes(screenName_);
    values.password = FieldBytes(password_);
    values.oscarServer = FieldBytes(oscarServer_);
    values.oscarPort = FieldBytes(oscarPort_);
    values.tocServer = FieldBytes(tocServer_);
    values.tocPort = FieldBytes(tocPort_);
    values.userProfile = FieldBytes(profile_);
    values.logPath = FieldBytes(logPath_);
    values.logToFile = logToFile_->isChecked();
    values.timestamp = timestamp_->isChecked();
    // Before the settings are applied: a reconnect they cause uses the new proxy.
    SaveProxy();
    values.passwordInKeyring = keyring_->isChecked();
    ApplyUserConfig(out_, session_, settings_, values);
    QDialog::accept();
}

QGroupBox* UserConfigDialog::BuildProxyBox()
{
    const ProxyConfig config = LoadProxyConfig(settings_.profile);
    auto* box = new QGroupBox(QStringLiteral("Proxy"), this);
    proxyMode_ = new QComboBox(box);
    // In ProxyMode's order.
    proxyMode_->addItems({QStringLiteral("From all_proxy (environment)"), QStringLiteral("None (connect directly)"),
                          QStringLiteral("SOCKS5"), QStringLiteral("HTTP CONNECT")});
    proxyMode_->setCurrentIndex(static_cast<int>(config.mode));
    proxyHost_ = new QLineEdit(QString::fromStdString(config.host), box);
    proxyPort_ = new QLineEdit(config.port > 0 ? QString::number(config.port) : QString(), box);
    proxyPort_->setValidator(new QIntValidator(1, 65535, proxyPort_));
    proxyPort_->setPlaceholderText(QStringLiteral("1080"));
    proxyUser_ = new QLineEdit(QString::fromStdString(config.user), box);
    proxyUser_->setPlaceholderText(QStringLiteral("optional"));
    proxyPassword_ = new QLineEdit(QString::fromStdString(config.password), box);
    proxyPassword_->setEchoMode(QLineEdit::Password);
    proxyPassword_->setPlaceholderText(QStringLiteral("optional"));
    auto* rows = new QFormLayout(box);
    rows->setLabelAlignment(Qt::AlignRight);
    rows->addRow(QStringLiteral("P&roxy:"), proxyMode_);
    rows->addRow(QStringLiteral("Proxy host:"), proxyHost_);
    rows->addRow(QStringLiteral("Proxy port:"), proxyPort_);
    rows->addRow(QStringLiteral("Proxy user:"), proxyUser_);
    rows->addRow(QStringLiteral("Proxy password:"), proxyPassword_);
    const auto showFields = [this](int mode) {
        const bool own = mode == static_cast<int>(ProxyMode::Socks5) || mode == static_cast<int>(ProxyMode::Http);
        for (QLineEdit* edit : {proxyHost_, proxyPort_, proxyUser_, proxyPassword_})
            edit->setEnabled(own);
        proxyPort_->setPlaceholderText(QString::number(mode == static_cast<int>(ProxyMode::Http) ? kDefaultHttpProxyPort
                                                                                                 : kDefaultSocksPort));
    };
    showFields(proxyMode_->currentIndex());
    QObject::connect(proxyMode_, &QComboBox::currentIndexChanged, this, showFields);
    return box;
}

void UserConfigDialog::SaveProxy()
{
    ProxyConfig config;
    config.mode = static_cast<ProxyMode>(proxyMode_->currentIndex());
    config.host = proxyHost_->text().trimmed().toStdString();
    config.port = proxyPort_->text().toInt();
    if (config.port == 0 && (config.mode == ProxyMode::Socks5 || config.mode == ProxyMode::Http))
        config.port = config.mode == ProxyMode::Http ? kDefaultHttpProxyPort : kDefaultSocksPort;
    config.user = proxyUser_->text().toStdString();
    config.password = proxyPassword_->text().toStdString();
    if (!SaveProxyConfig(settings_.profile, config))
        PrintLine(out_, "Could not save the proxy setting in " + settings_.profile.File(kAppSettingsFile) + ".");
}
