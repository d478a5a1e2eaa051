#pragma once

// The main window's side of a dialog, made of fakes and a program folder with a real db.dll.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QWidget>

#include "app/core/dialog_context.h"
#include "app/core/ini_file_utils.h"
#include "chimdb/chim_session_list.h"
#include "platform/fake/fake_autorun.h"
#include "platform/fake/fake_message_boxes.h"
#include "platform/fake/fake_shell_open.h"
#include "tests/core/engine_fixture.h"
#include "tests/core/ring_table_reader.h"
#include "tests/support/program_folder.h"

namespace chimora::testing {

class DialogTest : public EngineTest {
  protected:
    void TearDown() override { chimdb::ChimSessionList::Instance().Shutdown(); }

    // A file in the music folder, as the file system lists it and finds it.
    void AddMusic(const std::string& name, long lengthMs = 1000) {
        files.AddFile(folder.MusicPath(), name);
        player.SetLength(folder.MusicPath() + name, lengthMs);
    }

    template <class Control>
    static Control* Find(QWidget& dialog, const char* name) {
        auto* control = dialog.findChild<Control*>(name);
        EXPECT_NE(control, nullptr) << name;
        return control;
    }
    static void Click(QWidget& dialog, const char* name) {
        Find<QAbstractButton>(dialog, name)->click();
    }

    ProgramFolder folder;
    ScheduleLoader loader{state, engine, folder.AppPath()};
    IniFileUtils paths{folder.ExecutablePath()};
    platform::FakeMessageBoxes boxes;
    platform::FakeAutorun autorun;
    platform::FakeShellOpen shell;
    EventGuard guard{boxes};
    DialogContext context{state,
                          loader,
                          playback,
                          paths,
                          clock,
                          files,
                          boxes,
                          autorun,
                          shell,
                          guard,
                          folder.ExecutablePath()};
};

}  // namespace chimora::testing
