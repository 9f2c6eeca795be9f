// A small user module: "/hello [name]" greets someone in the transcript, and
// once the window is up it greets the world through the client's own command
// path; a message "hello?" (as a reader sees it, markup taken out) is noted.
// It declares its command with its help line, names only the hooks it uses
// (module_defaults.h supplies the rest),
// normalises names with the SDK's NormalizeName, and parents its Qt objects
// to the main window, which the client keeps alive (and this library
// loaded) until the end.
#include <QMetaObject>
#include <QTimer>
#include <QWidget>

#include <chrono>
#include <string>

#include <markup_text.h>
#include <module_defaults.h>
#include <normalize_name.h>

namespace {

const UserModuleInfo kInfo = {
    "Hello",
    "1.0",
    "Greets whoever you name.",
    nullptr,  // the commands are declared below, with their help
};

// What /help shows; a word another module declares too is named at load.
constexpr UserModuleCommand kCommands[] = {
    {"hello", "/hello [name]: greets NAME, or the world"},
};

HostServices* host = nullptr;

int Start(void* mainWindow, HostServices* services)
{
    host = services;
    auto* window = static_cast<QWidget*>(mainWindow);
    if (window == nullptr)
        return 1;  // no window (a test host): nothing to parent to
    // Owned by the window, so it goes when the window does.
    auto* reminder = new QTimer(window);
    reminder->setInterval(std::chrono::hours(1));
    QObject::connect(reminder, &QTimer::timeout, [] { host->PrintStatus("Hello again, after an hour."); });
    reminder->start();
    // Commands reach this module only once Initialize has returned: greet
    // from the event loop, as if the user had typed "/hello".
    QMetaObject::invokeMethod(reminder, [] { host->SendInputLine("", "/hello", 0); }, Qt::QueuedConnection);
    return 1;
}

const UserModuleInfo* Info()
{
    return &kInfo;
}

int Command(const char* word, const char* arguments)
{
    if (!EqualsIgnoringCase(word, "hello"))
        return 0;
    const std::string name = NormalizeName(arguments);
    host->PrintStatus(("Hello, " + (name.empty() ? std::string("world") : name) + "!").c_str());
    return 1;
}

// Messages arrive as HTML; what the reader sees is the text.
int Received(const char* sender, const char* text)
{
    if (MarkupToText(text) == "hello?")
        host->PrintStatus((std::string(sender) + " asks whether anyone is there.").c_str());
    return 0;
}

}  // namespace

QUENLO_USER_MODULE({
    .Initialize = Start,
    .GetModuleInfo = Info,
    .Commands = kCommands,
    .OnUserCommand = Command,
    .OnReceiveIM = Received,
});
