#include "ConfigFixture.h"
#include "ui/config/FileDialog.h"
#include "ui/config/frmOptions.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <fstream>

namespace lindrel {
namespace {

class OptionsTest : public test::ConfigFixture {
protected:
    OptionsTest() {
        for (const auto& [uid, name] :
             std::vector<std::pair<int, std::string>>{{10, "Quake III Arena"}, {11, "OpenArena"}}) {
            clsGameType type;
            type.SetUID(uid);
            type.SetGameType(name);
            state.GameTypes.Add(GameTypeCollection::KeyFor(uid), type);
        }
        const char* values[] = {"My Server", "127.0.0.9", "27961", "rcon",      "join", "me.cfg",
                                "+set x 1",  "8",         "11",    "/games/q3", "1"};
        for (int field = 0; field < kServerFieldCount; ++field) {
            state.ServerData(2, field) = values[field];
        }
    }
    ~OptionsTest() override { delete window.data(); }

    void Open(int slot) {
        window = new frmOptions(state, *status, screen);
        window->LoadMe(slot, 8235, 10845);
        window->show();
    }

    QPointer<frmOptions> window;
};

TEST_F(OptionsTest, ShowsTheSlotInTheMappedControls) {
    Open(2);
    EXPECT_EQ(window->pos(), QPoint((10845 + 380) / 15, (8235 - 3960) / 15));
    EXPECT_EQ(window->txtData(0).text(), "My Server");
    EXPECT_EQ(window->txtData(1).text(), "127.0.0.9");
    EXPECT_EQ(window->txtData(2).text(), "27961");
    EXPECT_EQ(window->txtData(3).text(), "rcon");
    EXPECT_EQ(window->txtData(4).text(), "join");
    EXPECT_EQ(window->txtData(5).text(), "me.cfg");
    EXPECT_EQ(window->txtData(6).text(), "+set x 1");
    EXPECT_EQ(window->txtData(7).text(), "/games/q3");
    EXPECT_EQ(window->cboGameType().count(), 2);
    EXPECT_EQ(window->cboGameType().currentText(), "OpenArena");
    EXPECT_TRUE(window->chkServerDown().isChecked());
}

TEST_F(OptionsTest, DownNotifyAndGameTypeAreReadAsNumbers) {
    for (const auto& [notify, checked] : std::vector<std::pair<std::string, bool>>{
             {"1", true}, {"0", false}, {"2", false}, {"1.0", true}, {"abc", false}}) {
        state.ServerData(2, DownNotify) = notify;
        Open(2);
        EXPECT_EQ(window->chkServerDown().isChecked(), checked) << notify;
        delete window.data();
    }
    state.ServerData(2, GameTypeID) = "10abc";
    Open(2);
    EXPECT_EQ(window->cboGameType().currentText(), "Quake III Arena");
    delete window.data();
    state.ServerData(2, GameTypeID) = "99";
    Open(2);
    EXPECT_EQ(window->cboGameType().currentIndex(), -1);
}

TEST_F(OptionsTest, OkLooksUpStoresEverythingAndSaves) {
    service.Answer("r=10.1.1.1:27970,10", "12|Found+Name");
    Open(2);
    window->txtData(0).setText(" Renamed ");
    window->txtData(1).setText("10.1.1.1");
    window->txtData(2).setText("27970");
    window->txtData(7).setText("/opt/q3/quake3");
    window->cboGameType().setCurrentIndex(0);
    window->chkServerDown().setChecked(false);
    window->lblOk_Click();

    EXPECT_EQ(service.Queries().back(), "r=10.1.1.1:27970,10");
    EXPECT_EQ(state.ServerData(2, ServerName), " Renamed ");
    EXPECT_EQ(state.ServerData(2, ServerIP), "10.1.1.1");
    EXPECT_EQ(state.ServerData(2, StatsID), "12");
    EXPECT_EQ(state.ServerData(2, GameTypeID), "10");
    EXPECT_EQ(state.ServerData(2, ExePath), "/opt/q3/quake3");
    EXPECT_EQ(state.ServerData(2, DownNotify), "0");
    EXPECT_EQ(state.ServerData(2, RconPwd), "rcon");
    EXPECT_NE(test::ReadFile(dir / "lindrel.dat").find("2,+Renamed+,10%2E1%2E1%2E1,27970,"),
              std::string::npos);
    EXPECT_TRUE(status->isEnabled());
    EXPECT_FALSE(state.DialogOpen);
    EXPECT_TRUE(QTest::qWaitFor([&] { return window.isNull(); }, 1000));
}

TEST_F(OptionsTest, AnUnknownServerAndNoGameTypesStillSave) {
    state.GameTypes.Clear();
    service.Answer("r=127.0.0.9:27961,1", "NO SERVER FOUND");
    Open(2);
    EXPECT_EQ(window->cboGameType().count(), 0);
    window->lblOk_Click();
    EXPECT_EQ(service.Queries().back(), "r=127.0.0.9:27961,1");
    EXPECT_EQ(state.ServerData(2, StatsID), "-2");
    EXPECT_EQ(state.ServerData(2, GameTypeID), "1");
    EXPECT_TRUE(std::filesystem::exists(dir / "lindrel.dat"));
}

TEST_F(OptionsTest, CloseDiscardsTheEdits) {
    const ServerTable before = state.ServerData;
    Open(2);
    window->txtData(0).setText("changed");
    window->lblClose_Click();
    EXPECT_EQ(state.ServerData, before);
    EXPECT_FALSE(std::filesystem::exists(dir / "lindrel.dat"));
    EXPECT_TRUE(status->isEnabled());
    EXPECT_FALSE(state.DialogOpen);
    EXPECT_TRUE(service.Queries().empty());
}

TEST_F(OptionsTest, BrowsePutsTheChosenPathInOrLeavesItAlone) {
    Open(2);
    window->chooseFile = [] {
        FileDialogResult chosen;
        chosen.Count = 1;
        chosen.Directory = "/usr/games/";
        chosen.FileNames = {"openarena "};
        chosen.Cancelled = false;
        return chosen;
    };
    window->cmdDialog_Click();
    EXPECT_EQ(window->txtData(7).text(), "/usr/games/openarena");
    window->chooseFile = [] { return FileDialogResult{}; };
    window->cmdDialog_Click();
    EXPECT_EQ(window->txtData(7).text(), "/usr/games/openarena");
    EXPECT_TRUE(window->LastFileDialogResult().Cancelled);
}

TEST(FileDialog, OnePathTitledCentredAndStartingAtTheLastChoice) {
    test::TempDir dir;
    const std::string game = (dir / "quake3").string();
    std::ofstream(game) << "#!/bin/sh\n";
    AppState state(dir.str());
    state.FileDialogTitle = "https://lindrel.example - Select Game Exec";

    QString title;
    QPoint centreOffset;
    QStringList proposed;
    // Answers the dialog from the event loop it runs, as a user would: the path typed
    // into the file name box and Enter, or Escape. Gives up after five seconds.
    auto answer = [&](bool accept) {
        auto* poll = new QTimer;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        QObject::connect(poll, &QTimer::timeout, [&, accept, poll, deadline] {
            QFileDialog* dialog = nullptr;
            for (QWidget* widget : QApplication::topLevelWidgets()) {
                if (auto* found = qobject_cast<QFileDialog*>(widget); found && found->isVisible()) {
                    dialog = found;
                }
            }
            auto* name = dialog ? dialog->findChild<QLineEdit*>("fileNameEdit") : nullptr;
            if (name == nullptr) {
                if (std::chrono::steady_clock::now() > deadline) {
                    poll->deleteLater();
                    ADD_FAILURE() << "no file dialog";
                }
                return;
            }
            poll->deleteLater();
            title = dialog->windowTitle();
            const QRect screen = QGuiApplication::primaryScreen()->geometry();
            centreOffset = dialog->frameGeometry().center() - screen.center();
            proposed = {dialog->directory().absolutePath(), name->text()};
            if (accept) {
                name->setText(QString::fromStdString(game));
                QTest::keyClick(name, Qt::Key_Return);
            } else {
                QTest::keyClick(name, Qt::Key_Escape);
            }
        });
        poll->start(20);
    };
    answer(true);
    const FileDialogResult chosen = OpenFileDialog(state, nullptr, false);
    EXPECT_EQ(title, "https://lindrel.example - Select Game Exec");
    EXPECT_LE(std::abs(centreOffset.x()), 2);
    EXPECT_LE(std::abs(centreOffset.y()), 2);
    EXPECT_EQ(chosen.Count, 1);
    EXPECT_EQ(chosen.Directory, dir.str() + "/");
    EXPECT_EQ(chosen.FileNames, std::vector<std::string>{"quake3"});

    answer(false);
    const FileDialogResult cancelled = OpenFileDialog(state, nullptr, false);
    EXPECT_EQ(proposed, (QStringList{QString::fromStdString(dir.str()), "quake3"}));
    EXPECT_EQ(cancelled.Count, 0);
    EXPECT_TRUE(cancelled.Cancelled);
    EXPECT_TRUE(cancelled.FileNames.empty());
}

TEST(SelectByItemData, FirstMatchOrNothing) {
    QComboBox combo;
    SelectByItemData(combo, 3);
    EXPECT_EQ(combo.currentIndex(), -1);
    combo.addItem("a", 5);
    combo.addItem("b", 3);
    combo.addItem("c", 3);
    SelectByItemData(combo, 3);
    EXPECT_EQ(combo.currentIndex(), 1);
    SelectByItemData(combo, 4);
    EXPECT_EQ(combo.currentIndex(), -1);
}

} // namespace
} // namespace lindrel
