// "User Configuration": screen name, password, servers, ports, profile,
// logging and timestamps. OK saves and applies; Cancel changes nothing.
#pragma once

#include <QDialog>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QPlainTextEdit;
#include "printer.h"

struct SessionState;
struct SettingsState;

class UserConfigDialog final : public QDialog {
public:
    UserConfigDialog(const Printer& out, SessionState& session, SettingsState& settings, QWidget* parent);

    QLineEdit* ScreenNameEdit() const { return screenName_; }
    QLineEdit* PasswordEdit() const { return password_; }
    QCheckBox* ShowPasswordBox() const { return showPassword_; }
    QLineEdit* OscarServerEdit() const { return oscarServer_; }
    QLineEdit* OscarPortEdit() const { return oscarPort_; }
    QLineEdit* TocServerEdit() const { return tocServer_; }
    QLineEdit* TocPortEdit() const { return tocPort_; }
    QPlainTextEdit* ProfileEdit() const { return profile_; }
    QLineEdit* LogPathEdit() const { return logPath_; }
    QCheckBox* LogToFileBox() const { return logToFile_; }
    QCheckBox* TimestampBox() const { return timestamp_; }
    QComboBox* ProxyModeBox() const { return proxyMode_; }
    QLineEdit* ProxyHostEdit() const { return proxyHost_; }
    QLineEdit* ProxyPortEdit() const { return proxyPort_; }
    QLineEdit* ProxyUserEdit() const { return proxyUser_; }
    QLineEdit* ProxyPasswordEdit() const { return proxyPassword_; }
    QCheckBox* KeyringBox() const { return keyring_; }

    void accept() override;

private:
    Printer out_;
    SessionState& session_;
    SettingsState& settings_;
    QLineEdit* screenName_;
    QLineEdit* password_;
    QCheckBox* showPassword_;
    QLineEdit* oscarServer_;
    QLineEdit* oscarPort_;
    QLineEdit* tocServer_;
    QLineEdit* tocPort_;
    QPlainTextEdit* profile_;
    QLineEdit* logPath_;
    QCheckBox* logToFile_;
    QCheckBox* timestamp_;

    // The proxy, kept in quenlo.ini.
    QGroupBox* BuildProxyBox();
    void SaveProxy();
    QComboBox* proxyMode_ = nullptr;
    QLineEdit* proxyHost_ = nullptr;
    QLineEdit* proxyPort_ = nullptr;
    QLineEdit* proxyUser_ = nullptr;
    QLineEdit* proxyPassword_ = nullptr;
    QCheckBox* keyring_;
};
