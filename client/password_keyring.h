// The desktop keyring (the Secret Service of GNOME's keyring, or KWallet)
// through QtKeychain: one password per screen name under the service
// "quenlo". Every operation answers later, on the event loop; an answer
// never comes after this object is gone.
#pragma once

#include <functional>
#include <memory>
#include <string>

class QObject;

struct KeyringAnswer {
    enum class Outcome { Done, NotFound, Failed };
    Outcome outcome = Outcome::Failed;
    std::string password;  // what a read found
    std::string error;     // the keyring's own words, for a line to the user
};

class PasswordKeyring {
public:
    using Done = std::function<void(const KeyringAnswer&)>;

    PasswordKeyring();
    ~PasswordKeyring();
    PasswordKeyring(const PasswordKeyring&) = delete;
    PasswordKeyring& operator=(const PasswordKeyring&) = delete;

    void Read(const std::string& account, Done done);
    void Write(const std::string& account, const std::string& password, Done done);
    void Remove(const std::string& account, Done done);
    // Operations started and not yet answered.
    int Pending() const { return pending_; }

private:
    // The answers' receiver: with it gone, a late answer reaches nobody.
    std::unique_ptr<QObject> receiver_;
    int pending_ = 0;
};
