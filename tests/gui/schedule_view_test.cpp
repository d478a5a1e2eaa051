#include "tests/gui/main_window_fixture.h"

namespace chimora::testing {
namespace {

using Answer = platform::MessageBoxes::Answer;

const QColor kOlive(128, 128, 0);
const QColor kRed(255, 0, 0);

class ScheduleViewTest : public MainWindowTest {
  protected:
    bool Olive(int row) {
        const QVariant background = Cell(row, RingTableModel::kDescColumn, Qt::BackgroundRole);
        return background.isValid() && background.value<QBrush>().color() == kOlive;
    }
    std::vector<bool> OliveRows() {
        std::vector<bool> rows;
        for (int row = 0; row < Window().Model().rowCount(); ++row)
            rows.push_back(Olive(row));
        return rows;
    }
};

TEST_F(ScheduleViewTest, EachTabListsThePlansEntriesOfItsDayInTimeOrderWithItsLayout) {
    Plan(RingLine("P", "14:00:00", "afternoon", "a.wav", "10100000") +
         RingLine("P", "08:00:00", "morning", "m.wav", "10000000") +
         RingLine("Other", "09:00:00", "not ours", "m.wav", "11111111") +
         RingLine("P", "10:00:00", "by hand", "t.wav", "00000001"));
    Shown();
    EXPECT_EQ(Descriptions(), (std::vector<std::string>{"morning", "afternoon"}));
    EXPECT_EQ(Column(RingTableModel::kTimeColumn),
              (std::vector<std::string>{"08:00:00", "14:00:00"}));
    EXPECT_EQ(Grid()->columnWidth(0), 200);
    EXPECT_EQ(Grid()->columnWidth(1), 120);
    EXPECT_EQ(Grid()->columnWidth(2), 300);
    for (int column = RingTableModel::kIdColumn; column < RingTableModel::kColumnCount; ++column)
        EXPECT_TRUE(Grid()->isColumnHidden(column));

    PickTab(2);
    EXPECT_EQ(Descriptions(), std::vector<std::string>{"afternoon"});

    PickTab(7);
    EXPECT_EQ(Descriptions(), std::vector<std::string>{"by hand"});
    EXPECT_TRUE(Grid()->isColumnHidden(RingTableModel::kTimeColumn));
    EXPECT_EQ(Grid()->columnWidth(0), 300);
    EXPECT_EQ(Grid()->columnWidth(2), 320);

    PickTab(1);
    EXPECT_FALSE(Grid()->isColumnHidden(RingTableModel::kTimeColumn));
    EXPECT_TRUE(Descriptions().empty());
}

TEST_F(ScheduleViewTest, RowsOfEarlierDaysAndOfTimesPassedTodayAreOlive) {
    const std::string wednesday = RingLine("P", "08:00:00", "w8", "bell.wav", "00100000") +
                                  RingLine("P", "10:00:00", "w10", "bell.wav", "00100000") +
                                  RingLine("P", "14:00:00", "w14", "bell.wav", "00100000");
    std::string everyDay;
    for (const char* flags :
         {"10000000", "01000000", "00010000", "00001000", "00000100", "00000010", "00000001"})
        everyDay += RingLine("P", "12:00:00", flags, "bell.wav", flags);
    Plan(wednesday + everyDay);
    HaveMusic("bell.wav");
    clock.Set(2026, 12, 9, 10, 0, 0);  // a Wednesday, 10:00:00
    Shown();
    ASSERT_EQ(Tabs()->currentIndex(), 2);
    EXPECT_EQ(OliveRows(), (std::vector<bool>{true, true, false}));
    for (int tab : {0, 1}) {
        PickTab(tab);
        EXPECT_EQ(OliveRows(), std::vector<bool>{true}) << tab;
    }
    for (int tab : {3, 4, 5, 6, 7}) {
        PickTab(tab);
        EXPECT_EQ(OliveRows(), std::vector<bool>{false}) << tab;
    }
    // The colours follow the clock.
    PickTab(2);
    clock.SetTime(14, 0, 0);
    EXPECT_EQ(OliveRows(), (std::vector<bool>{true, true, true}));
}

TEST_F(ScheduleViewTest, MissingFileIsRedInTheFileColumnAndHidesThePlayButton) {
    Plan(RingLine("P", "09:00:00", "here", "bell.wav", "10000000") +
         RingLine("P", "10:00:00", "gone", "sub\\\\gone.wav", "10000000"));
    HaveMusic("bell.wav");
    Shown();
    EXPECT_FALSE(Cell(0, RingTableModel::kFileColumn, Qt::ForegroundRole).isValid());
    EXPECT_EQ(Cell(1, RingTableModel::kFileColumn, Qt::ForegroundRole).value<QBrush>().color(),
              kRed);
    EXPECT_FALSE(Cell(1, RingTableModel::kDescColumn, Qt::ForegroundRole).isValid());

    ClickRow(0);
    EXPECT_EQ(Window().State().SelectedRingFile, "bell.wav");
    EXPECT_FALSE(PlayButton()->isHidden());
    ClickRow(1);
    EXPECT_EQ(Window().State().SelectedRingFile, "sub\\gone.wav");
    EXPECT_TRUE(PlayButton()->isHidden());
}

TEST_F(ScheduleViewTest, PlayButtonFollowsTheRowPlaysStopsAndTakesItsCaptionBack) {
    Plan(RingLine("P", "09:00:00", "one", "bell.wav", "10000000") +
         RingLine("P", "10:00:00", "two", "bell.wav", "10000000"));
    HaveMusic("bell.wav");
    FrmMain& frm = Shown();
    ClickRow(1);
    const QRect cell = Grid()->visualRect(Grid()->model()->index(1, 0));
    const QPoint expected =
        Grid()->viewport()->mapTo(Find<QGroupBox>("GB1"), cell.topLeft()) + QPoint(500, 0);
    EXPECT_EQ(PlayButton()->pos(), expected);

    frm.btnPlayClick();
    EXPECT_EQ(PlayButton()->text(), "停止");
    EXPECT_EQ(player.calls.back(), "play " + folder.MusicPath() + "bell.wav");
    frm.btnPlayClick();
    EXPECT_EQ(PlayButton()->text(), "播放>>");
    EXPECT_EQ(player.calls.back(), "stop");

    frm.btnPlayClick();
    player.FinishPlay();
    EXPECT_EQ(PlayButton()->text(), "播放>>");

    // A file the player refuses is dropped without a message.
    player.FailOpen(folder.MusicPath() + "bell.wav", "cannot open");
    frm.btnPlayClick();
    EXPECT_TRUE(boxes.shown.empty());

    PickTab(5);  // no entries on Saturday
    EXPECT_TRUE(PlayButton()->isHidden());
}

TEST_F(ScheduleViewTest, DeleteAsksWithTheEntrysDaysAndDeletesOnlyOnYes) {
    Plan(RingLine("P", "09:00:00", "keep", "bell.wav", "10000000") +
         RingLine("P", "10:00:00", "drop", "bell.wav", "10001001"));
    FrmMain& frm = Shown();
    ClickRow(1);

    boxes.answers = {Answer::No};
    frm.btnDelClick();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text,
              "删除该行将会影响到\r\r星期一\r星期五\r临时铃声\r\r\n确认删除么？");
    EXPECT_EQ(boxes.shown[0].kind, platform::MessageBoxes::Kind::Confirmation);
    EXPECT_EQ(Descriptions(), (std::vector<std::string>{"keep", "drop"}));

    // The grid is read again while the question is open: the asked-about entry still goes.
    boxes.answers = {Answer::Yes};
    boxes.onShow = [&frm] { frm.Model().Reload(); };
    frm.btnDelClick();
    EXPECT_EQ(Descriptions(), std::vector<std::string>{"keep"});
    EXPECT_EQ(frm.State().RingList.size(), 1u);
    PickTab(7);
    EXPECT_TRUE(Descriptions().empty());
}

TEST_F(ScheduleViewTest, ChangeAndDeleteWithoutARowDoNothing) {
    Plan("");
    FrmMain& frm = Shown();
    frm.btnUpdClick();
    frm.btnDelClick();
    frm.FilterDBGridDblClick();
    EXPECT_TRUE(editorCalls.empty());
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(ScheduleViewTest, AddAndChangeOpenTheEditorAndReloadWhenItStored) {
    Plan(RingLine("P", "09:00:00", "one", "bell.wav", "10000001"));
    FrmMain& frm = Shown();
    frm.btnAddClick();
    ASSERT_EQ(editorCalls.size(), 1u);
    EXPECT_EQ(editorCalls[0].mode, "ADD");
    EXPECT_EQ(editorCalls[0].ring, RingObj{});

    ClickRow(0);
    frm.FilterDBGridDblClick();
    ASSERT_EQ(editorCalls.size(), 2u);
    const RingObj& copy = editorCalls[1].ring;
    EXPECT_EQ(editorCalls[1].mode, "UPD");
    EXPECT_FALSE(copy.ID.empty());
    EXPECT_EQ(copy.RINGDESC, "one");
    EXPECT_EQ(copy.RINGTIME, "09:00:00");
    EXPECT_EQ(copy.RINGFILE, "bell.wav");
    EXPECT_EQ(copy.WEEK1, "1");
    EXPECT_EQ(copy.WEEK2, "0");
    EXPECT_EQ(copy.WEEK8, "1");

    // The editor stores a new Monday entry and answers OK: the grid shows it.
    frm.dialogs.ringSet = [&](QWidget*, DialogContext& context, const std::string&,
                              const RingObj&) {
        chimdb::ChimTable rings;
        ScheduleLoader::OpenTable(rings, context.loader.AppPath(), "Ring1_7", "ID");
        rings.Append();
        for (int d = 1; d <= 8; ++d)
            rings.FieldByName("WEEK" + std::to_string(d)).SetAsString(d == 1 ? "1" : "0");
        rings.FieldByName("RINGDESC").SetAsString("new");
        rings.FieldByName("RINGFILE").SetAsString("bell.wav");
        rings.FieldByName("RINGTIME").SetAsString("07:00:00");
        rings.FieldByName("RINGPROJECT").SetAsString("P");
        rings.Post();
        return 1;
    };
    frm.btnAddClick();
    EXPECT_EQ(Descriptions(), (std::vector<std::string>{"new", "one"}));
    EXPECT_EQ(frm.State().RingList.size(), 2u);
}

TEST_F(ScheduleViewTest, PlanNamesWithQuotesAndStarsListExactlyTheirOwnEntries) {
    folder.Insert("FANGAN", PlanLine("O'Brien*", true) + PlanLine("O'Brien", false) +
                                PlanLine("O'Brienx", false));
    folder.Insert("Ring1_7", RingLine("O'Brien*", "08:00:00", "own", "bell.wav", "10000000") +
                                 RingLine("O'Brien", "09:00:00", "prefix", "bell.wav", "10000000") +
                                 RingLine("O'Brienx", "10:00:00", "wild", "bell.wav", "10000000"));
    FrmMain& frm = Shown();
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(frm.State().CurrFangAn, "O'Brien*");
    EXPECT_EQ(Descriptions(), std::vector<std::string>{"own"});
    EXPECT_EQ(frm.State().RingList.size(), 1u);
}

TEST_F(ScheduleViewTest, GridFollowsChangesMadeToTheCursorElsewhere) {
    Plan(RingLine("P", "09:00:00", "one", "bell.wav", "10000000"));
    FrmMain& frm = Shown();
    // What a dialog does behind the window's back: a whole-plan load, then the cursor closed.
    frm.Loader().LoadAllDataToMem();
    QCoreApplication::processEvents();
    EXPECT_EQ(Descriptions(), std::vector<std::string>{"one"});
    frm.Loader().ChimTable1().Close();
    QCoreApplication::processEvents();
    EXPECT_TRUE(Descriptions().empty());
}

}  // namespace
}  // namespace chimora::testing
