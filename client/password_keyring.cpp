#include "password_keyring.h"

#include <QObject>
#include <qt6keychain/keychain.h>

namespace {

const QString kService = QStringLiteral("quenlo");

KeyringAnswer AnswerOf(const QKeychain::Job& job)
{
    KeyringAnswer answer;
    switch (job.error()) {
    case QKeychain::NoError:
        answer.outcome = KeyringAnswer::Outcome::Done;
        break;
    case QKeychain::EntryNotFound:
        answer.outcome = KeyringAnswer::Outcome::NotFound;
        break;
    default:
        answer.outcome = KeyringAnswer::Outcome::Failed;
        break;
    }
    answer.error = job.errorString().toStdString();
    if (answer.outcome != KeyringAnswer::Outcome::Done && answer.error.empty())
        answer.error = "no reason given";
    return answer;
}

}  // namespace

PasswordKeyring::PasswordKeyring() : receiver_(std::make_unique<QObject>()) {}

// The jobs delete themselves once answered; a job still running keeps going
// without a receiver (deleting it under the keyring library's feet is unsafe).
PasswordKeyring::~PasswordKeyring() = default;

namespace {

// Starts `job` (which deletes itself when done) and calls `done` with its
// answer, unless `receiver` is gone by then.
template <typename Job, typename Extract>
void Run(Job* job, QObject* receiver, int& pending, PasswordKeyring::Done done, Extract extract)
{
    job->setAutoDelete(true);
    job->setInsecureFallback(false);  // the client keeps its own fallback: userinfo.cfg
    ++pending;
    QObject::connect(job, &QKeychain::Job::finished, receiver,
                     [job, &pending, done = std::move(done), extract](QKeychain::Job*) {
                         --pending;
                         KeyringAnswer answer = AnswerOf(*job);
                         extract(*job, answer);
                         done(answer);
                     });
    job->start();
}

}  // namespace

void PasswordKeyring::Read(const std::string& account, Done done)
{
    auto* job = new QKeychain::ReadPasswordJob(kService);
    job->setKey(QString::fromStdString(account));
    Run(job, receiver_.get(), pending_, std::move(done), [](const QKeychain::ReadPasswordJob& read, KeyringAnswer& answer) {
        if (answer.outcome == KeyringAnswer::Outcome::Done)
            answer.password = read.binaryData().toStdString();
    });
}

void PasswordKeyring::Write(const std::string& account, const std::string& password, Done done)
{
    auto* job = new QKeychain::WritePasswordJob(kService);
    job->setKey(QString::fromStdString(account));
    // The record's bytes as they are: a password need not be UTF-8.
    job->setBinaryData(QByteArray::fromStdString(password));
    Run(job, receiver_.get(), pending_, std::move(done), [](const QKeychain::WritePasswordJob&, KeyringAnswer&) {});
}

void PasswordKeyring::Remove(const std::string& account, Done done)
{
    auto* job = new QKeychain::DeletePasswordJob(kService);
    job->setKey(QString::fromStdString(account));
    Run(job, receiver_.get(), pending_, std::move(done), [](const QKeychain::DeletePasswordJob&, KeyringAnswer&) {});
}
