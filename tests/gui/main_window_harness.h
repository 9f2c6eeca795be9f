// One client under test with its real main window, offscreen: a fresh
// profile folder, the real libtocwire.so and a fake
// TOC server on 127.0.0.1 in the same event loop.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QItemSelectionModel>
#include <QListView>
#include <QPushButton>
#include <QTest>

#include <string>
#include <string_view>
#include <vector>

#include "client_context.h"
#include "client_test_base.h"
#include "fake_toc_server.h"
#include "main_dialog.h"
#include "test_profile.h"
#include "tocwire.h"
#include "transcript_pane.h"
#include "user_info.h"

class MainWindowHarness : public ClientTestBase {
protected:
    void SetUp() override
    {
        ClientTestBase::SetUp();
        if (HasFatalFailure())
            return;
        // No presence relaying: the client registers its own name at sign-on,
        // and the online list should hold only the names a test announces.
        server.SetRelay(false);
    }

    void TearDown() override
    {
        // Only a started client writes its files, and only into the test's folder.
        if (started_)
            window.Shutdown();
        window.hide();
    }

    // Shows the window, starts the client with the given protocol library and
    // points the settings at the fake server. Files the test put into the
    // profile folder beforehand are read here.
    void Start(const char* libraryPath = kLibraryPath)
    {
        started_ = true;
        window.show();
        window.Initialize(libraryPath);
        PointAtFakeServer(ctx.settings.userInfo, server.Port());
        ctx.settings.app.sounds.enabled = false;  // tests make no noise on a machine with speakers
    }

    // Connects with the Connect button and waits for the completed sign-on
    // (toc_set_info is the last command the client sends after SIGN_ON).
    bool SignOn(int client = 0)
    {
        Button("connect")->click();
        return faketoc::FakeTocServer::WaitFor([&] {
            return ctx.session.connectionStatus == STATUS_ONLINE && HasCommandStartingWith(client, "toc_set_info");
        });
    }

    // The window's controls, found by the object names it gives them.
    template <typename Control>
    Control* Find(const char* name) const
    {
        Control* control = window.findChild<Control*>(QString::fromLatin1(name));
        EXPECT_NE(control, nullptr) << "the window has no control named " << name;
        return control;
    }
    QPushButton* Button(const char* name) const { return Find<QPushButton>(name); }
    QLineEdit* InputLine() const { return Find<QLineEdit>("inputLine"); }
    QLineEdit* FormattingBox() const { return Find<QLineEdit>("formatting"); }
    QListView* OnlineList() const { return Find<QListView>("onlineList"); }
    TranscriptPane* OutputPane() const { return dynamic_cast<TranscriptPane*>(Find<QAbstractScrollArea>("output")); }

    bool HasCommand(int client, std::string_view command) const
    {
        for (const std::string& sent : server.Client(client).commands) {
            if (sent == command)
                return true;
        }
        return false;
    }

    int CountCommandsStartingWith(int client, std::string_view prefix) const
    {
        int count = 0;
        for (const std::string& sent : server.Client(client).commands) {
            if (sent.rfind(prefix, 0) == 0)
                ++count;
        }
        return count;
    }

    std::string PaneText() const { return OutputPane()->PlainText().toStdString(); }

    // The pane is brought up to date on a later turn of the event loop.
    bool WaitForPaneLine(std::string_view line, int timeoutMs = 5000) const
    {
        return faketoc::FakeTocServer::WaitFor([&] { return PaneHasLine(line); }, timeoutMs);
    }

    bool PaneHasLine(std::string_view line) const
    {
        for (const std::string& shown : PaneLines()) {
            if (shown == line)
                return true;
        }
        return false;
    }

    std::vector<std::string> PaneLines() const { return SplitLines(PaneText(), "\n"); }

    int OnlineRowCount() const { return OnlineList()->model()->rowCount(); }
    std::string OnlineRowText(int row) const
    {
        const QAbstractItemModel* model = OnlineList()->model();
        return model->data(model->index(row, 0)).toString().toStdString();
    }
    std::vector<std::string> OnlineListTexts() const
    {
        std::vector<std::string> names;
        for (int row = 0; row < OnlineRowCount(); ++row)
            names.push_back(OnlineRowText(row));
        return names;
    }
    // The texts of the selected rows, in list order.
    std::vector<std::string> SelectedOnlineTexts() const
    {
        std::vector<std::string> names;
        for (int row = 0; row < OnlineRowCount(); ++row) {
            if (OnlineList()->selectionModel()->isRowSelected(row))
                names.push_back(OnlineRowText(row));
        }
        return names;
    }
    // Clicks the row showing this text, as the user would (a click toggles
    // the row's selection). False if no row shows it.
    bool ClickOnlineRow(const std::string& text)
    {
        QListView* view = OnlineList();
        for (int row = 0; row < OnlineRowCount(); ++row) {
            if (OnlineRowText(row) == text) {
                const QModelIndex index = view->model()->index(row, 0);
                view->scrollTo(index);
                QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(index).center());
                return true;
            }
        }
        return false;
    }

    MainDialog window{ctx};

    bool started_ = false;
};

// The same, started with the real library before each test.
class StartedWindowTest : public MainWindowHarness {
protected:
    void SetUp() override
    {
        MainWindowHarness::SetUp();
        if (HasFatalFailure())
            return;
        Start();
        ASSERT_TRUE(ctx.session.api.Bound());
    }
};
