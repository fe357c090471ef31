// The control tables of the pages "Alerts && Status", "Prompts Edit",
// "Source Prompts" and "Music && Tone": names, captions, tags, lists, frames
// and geometry.
#include "pages.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

using namespace qrt58::ui;

namespace {

QApplication& app() {
    static int argc = 1;
    static char name[] = "test_pages";
    static char* argv[] = {name, nullptr};
    static QApplication* instance = new QApplication(argc, argv); // lives until exit
    return *instance;
}

struct Page {
    std::string name;
    std::vector<ControlSpec> rows;
};

const std::vector<Page>& pages() {
    static const std::vector<Page> all = {{"picSet2", status_page_controls()},
                                          {"picSet5", prompts_page_controls()},
                                          {"picSet6", source_page_controls()},
                                          {"picSet7", music_page_controls()}};
    return all;
}

struct Found {
    const Page* page = nullptr;
    const ControlSpec* row = nullptr;
};

Found find(const std::string& object) {
    for (const Page& p : pages())
        for (const ControlSpec& r : p.rows)
            if (object_name(r.name, r.index) == object) return {&p, &r};
    return {};
}

// The caption of the frame a control sits in, or "" when it is on the page.
std::string frame_caption(const std::string& object) {
    Found f = find(object);
    if (!f.row) return "?";
    for (const ControlSpec& r : f.page->rows)
        if (object_name(r.name, r.index) == f.row->parent) return r.kind == ControlKind::Frame ? r.caption : "";
    return "";
}

using Items = std::vector<std::pair<std::string, int>>; // text, stored value

Items items_of(const ControlSpec& r) {
    Items out;
    for (std::size_t i = 0; i < r.items.size(); ++i)
        out.emplace_back(r.items[i].text, r.items[i].data < 0 ? int(i) : r.items[i].data);
    return out;
}

std::vector<std::string> texts_of(const ControlSpec& r) {
    std::vector<std::string> out;
    for (const ListItem& i : r.items) out.push_back(i.text);
    return out;
}

// Individually tagged check boxes and lists of the four pages:
// object, caption (check boxes), tag, and the page they belong on.
struct Tagged {
    const char* object;
    const char* caption;
    const char* tag;
    const char* page;
};

const Tagged kTagged[] = {
    {"chkCtl_0", "Time Auto Update", "&H32,2,1,chkN", "picSet2"},
    {"chkCtl_1", "Discard Error Message", "&H3D,0,1,chk", "picSet2"},
    {"chkCtl_2", "Counter Out Enable", "&H39,4,1,chkN", "picSet2"},
    {"chkCtl_3", "Frequency Modification", "&H36,0,1,chkN", "picSet2"},
    {"chkCtl_4", "Silent off Alert Disable", "&H33,0,1,chkN", "picSet2"},
    {"chkCtl_5", "Air Program Enable", "&H3D,6,1,chk", "picSet2"},
    {"chkCtl_6", "Lowcell Alert Control", "&H39,6,1,chk", "picSet2"},
    {"chkCtl_7", "Out-of Service", "&H3D,3,1,chk", "picSet2"},
    {"chkCtl_8", "Direct Show Lamp On", "&H36,6,1,chkN", "picSet2"},
    {"chkCtl_9", "Manual Write Enable", "&H3D,4,1,chkN", "picSet2"},
    {"chkCtl_26", "Direct Show Until Press Key", "&H32,3,1,chkN", "picSet2"},
    {"chkCtl_27", "Password Modification", "&H36,2,1,chk", "picSet2"},
    {"chkCtl_28", "Password Required", "&H36,1,1,chk", "picSet2"},
    {"chkCtl_29", "History Off", "&H35C,0,8,chkN", "picSet2"},
    {"chkCtl_30", "Move To Memo Off", "&H35B,0,8,chkN", "picSet2"},
    {"chkCtl_31", "Delete All Off", "&H35A,0,8,chkN", "picSet2"},
    {"chkCtl_32", "Delete Off", "&H359,0,8,chkN", "picSet2"},
    {"chkCtl_33", "Lock/Unlock Off", "&H358,0,8,chkN", "picSet2"},
    {"chkCtl_34", "Duplicate Msg Enable", "&H39,3,1,chkN", "picSet2"},
    {"chkCtl_35", "User's Capcode Music Type Enable", "&H33,5,1,chkN", "picSet7"},
    {"chkCtl_36", "RD Key Switch Alert", "&H595,4,1,chkN", "picSet2"},
    {"chkCtl_37", "Push Key Lamp On Enable", "&H36,7,1,chkN", "picSet2"},
    {"chkCtl_38", "RD Key Delete Enable", "&H32,1,1,chkN", "picSet2"},
    {"chkCtl_39", "24H o'clock", "&H595,3,1,chkN", "picSet2"},
    {"chkCtl_40", "Vibrate && Alert At Priority", "&H715,2,1,chkN", "picSet2"},
    {"chkCtl_41", "Vibration Like Beep", "&H596,6,1,chkN", "picSet2"},
    {"chkCtl_42", "Cap. Priority Modification", "&H596,5,1,chkN", "picSet2"},
    {"chkCtl_43", "Multiple Source Prompt", "&H596,3,1,chkN", "picSet6"},
    {"chkCtl_44", "Vibrate Off In Charger", "&H715,7,1,chkN", "picSet2"},
    {"chkCtl_45", "Always Vibrate", "&H36,3,1,chkN", "picSet7"},
    {"chkCtl_66", "Multiple Tone", "&H596,2,1,chkN", "picSet7"},
    {"chkSource_49", "Group", "&H32,0,1,chkN", "picSet6"},
    {"cboCtl_0", "", "&H3B,4,1,cbo", "picSet2"},
    {"cboCtl_1", "", "&H39,0,2,cbo", "picSet2"},
    {"cboCtl_2", "", "&H32,4,2,cbo", "picSet6"},
    {"cboCtl_3", "", "&H3D,5,1,cbo", "picSet2"},
    {"cboCtl_4", "", "&H3C,6,2,cbo", "picSet2"},
    {"cboCtl_5", "", "&H3D,2,1,cbo", "picSet2"},
    {"cboCtl_6", "", "&H3B,3,1,cbo", "picSet2"},
    {"cbologo", "", "&H3F,0,4,Lng", "picSet2"},
};

std::vector<std::string> all_objects() {
    std::vector<std::string> out;
    for (const Page& p : pages())
        for (const ControlSpec& r : p.rows) out.push_back(object_name(r.name, r.index));
    return out;
}

} // namespace

TEST(PageTables, IndividuallyTaggedControlsCarryTheirTagAndCaptionOnTheirPage) {
    for (const Tagged& t : kTagged) {
        SCOPED_TRACE(t.object);
        Found f = find(t.object);
        ASSERT_NE(f.row, nullptr);
        EXPECT_EQ(f.page->name, t.page);
        EXPECT_EQ(f.row->tag, t.tag);
        if (*t.caption) {
            EXPECT_EQ(f.row->caption, t.caption);
        }
        EXPECT_EQ(f.row->kind,
                  t.object[0] == 'c' && t.object[1] == 'b' ? ControlKind::ComboBox : ControlKind::CheckBox);
    }
    // Every tagged check box or list of the four pages is one of the above or
    // a member of a row array; nothing else carries a bit binding.
    std::set<std::string> listed;
    for (const Tagged& t : kTagged) listed.insert(t.object);
    for (const Page& p : pages())
        for (const ControlSpec& r : p.rows) {
            const std::string o = object_name(r.name, r.index);
            if (r.tag.empty() || r.name == "txtPrompt" || (r.name == "chkSource" && r.index < 49)) continue;
            EXPECT_TRUE(listed.count(o)) << o << " has tag " << r.tag;
        }
}

TEST(PageTables, ListsCarryTheirItemsAndStoredValues) {
    auto items = [](const char* object) {
        Found f = find(object);
        return f.row ? items_of(*f.row) : Items{};
    };
    auto texts = [](const char* object) {
        Found f = find(object);
        return f.row ? texts_of(*f.row) : std::vector<std::string>{};
    };
    using V = std::vector<std::string>;
    EXPECT_EQ(texts("cboCtl_0"), (V{"Page Count", "Direct"}));
    EXPECT_EQ(texts("cboCtl_1"), (V{"8 sec", "14 sec", "20 sec", "30 sec"}));
    EXPECT_EQ(texts("cboCtl_2"), (V{"Forward", "Backward", "Auto Cap.", "Disable"}));
    EXPECT_EQ(texts("cboCtl_3"), (V{"Taiwan Music", "World Wild Music "}));
    EXPECT_EQ(texts("cboCtl_4"), (V{"Disable", "2 minutes", "10 minutes", "60 minutes"}));
    EXPECT_EQ(texts("cboCtl_5"), (V{"Standard", "OEC(china)"}));
    EXPECT_EQ(texts("cboCtl_6"), (V{"dd-mm-yy", "mm-dd-yy"}));
    EXPECT_EQ(texts("cboSLC"), (V{"disable", "30 seconds", "60 seconds", "120 seconds", "175 seconds"}));
    EXPECT_EQ(items("cboTone"), (Items{{"Tone 1", 1},
                                       {"Tone 2", 2},
                                       {"Tone 3", 3},
                                       {"Tone 4", 4},
                                       {"Music 1", 17},
                                       {"Music 2", 18},
                                       {"Music 3", 19},
                                       {"Music 4", 20},
                                       {"Music 5", 21},
                                       {"Music 6", 22},
                                       {"Music 7", 23},
                                       {"Music 8", 24},
                                       {"Vibration", 32},
                                       {"Alert & Vibrate", 34}}));
    EXPECT_EQ(items("cboPersonAlert"),
              (Items{{"continuous", 0}, {"2 second", 2}, {"8 second", 8}, {"16 second", 16}, {"32 second", 32}}));
    EXPECT_EQ(items("cboORA"), (Items{{"Disable", 0}, {"1 Min", 86}, {"2 Min", 172}, {"3 Min", 255}}));
    EXPECT_EQ(items("cboLng"), (Items{{"English", 2}, {"Spainish", 5}, {"French", 6}, {"Portuguese", 7}}));
    EXPECT_EQ(items("cbologo"), (Items{{"Large Font", 0}, {"Small Font", 2}}));
    EXPECT_EQ(items("cboLamp"), (Items{{"10 sec", 14}, {"30 sec", 43}, {"60 sec", 86}, {"120 sec", 171}}));
    const Items volts = {{"2.68V", 228}, {"2.65V", 225}, {"2.62V", 223}, {"2.59V", 220}, {"2.55V", 217}, {"2.52V", 214},
                         {"2.49V", 212}, {"2.46V", 209}, {"2.42V", 206}, {"2.40V", 204}, {"2.35V", 200}};
    for (const char* o : {"cboBatLev_0", "cboBatLev_1", "cboBatLev_2"}) EXPECT_EQ(items(o), volts) << o;
    const Items music = {{"User", 8},   {"Tone 1", 1}, {"Tone 2", 5}, {"Tone 3", 6},     {"Tone 4", 7},
                         {"Tone 5", 2}, {"Tone 6", 3}, {"Tone 7", 4}, {"Vibration", 32}, {"Flash Only", 49}};
    EXPECT_EQ(items("cboMusicType_0"), Items(music.begin(), music.begin() + 8));
    for (int s = 1; s < 16; ++s) {
        const std::string o = "cboMusicType_" + std::to_string(s);
        EXPECT_EQ(items(o.c_str()), music) << o;
    }
}

TEST(PageTables, AlertsAndStatusPageHoldsItsFramesAndOwnRuleControls) {
    std::vector<std::string> frames;
    for (const ControlSpec& r : pages()[0].rows)
        if (r.kind == ControlKind::Frame) frames.push_back(r.caption);
    std::sort(frames.begin(), frames.end());
    EXPECT_EQ(frames, (std::vector<std::string>{"Alerts", "Manual Write", "Menu Of Pager", "Prompts", "Status"}));
    const char* menu[8] = {"Zoom In/Out Off", "Set Scroll Off", "Set Time Off",  "Set Alarm Off",
                           "Auto Sleep Off",  "Power Off Off",  "Set Alert Off", "CAP-ON Off"};
    for (int i = 0; i < 8; ++i) {
        const std::string o = "chkMenu_" + std::to_string(i);
        ASSERT_NE(find(o).row, nullptr) << o;
        EXPECT_EQ(find(o).row->caption, menu[i]);
        EXPECT_EQ(frame_caption(o), "Menu Of Pager");
    }
    EXPECT_EQ(frame_caption("cboTone"), "Menu Of Pager");
    for (const char* o : {"chkCtl_9", "chkCtl_3", "chkCtl_42", "chkCtl_28", "chkCtl_27", "txtPass"})
        EXPECT_EQ(frame_caption(o), "Manual Write") << o;
    for (const char* o : {"chkCtl_39", "cboCtl_6", "txtPrompt_0", "cbologo", "cboLng"})
        EXPECT_EQ(frame_caption(o), "Prompts") << o;
    EXPECT_EQ(frame_caption("chkCtl_29"), ""); // the box on the page itself

    const ControlSpec* pass = find("txtPass").row;
    ASSERT_NE(pass, nullptr);
    EXPECT_EQ(pass->max_length, 4);
    EXPECT_EQ(pass->tooltip, "The password may be required for writed or manual writed.");
    ASSERT_NE(find("Slider1").row, nullptr);
    EXPECT_EQ(find("Slider1").row->kind, ControlKind::Slider);
    EXPECT_EQ(find("lblContrast").row->caption, "Screen");
    ASSERT_NE(find("lblValue").row, nullptr);
    ASSERT_NE(find("lblLogo").row, nullptr);
    ASSERT_NE(find("chkMailAlert").row, nullptr);
    EXPECT_EQ(find("chkMailAlert").row->caption, "Mail Alert");

    // Captions given for the lists, each on a label of the page.
    std::set<std::string> labels;
    for (const ControlSpec& r : pages()[0].rows)
        if (r.kind == ControlKind::Label) labels.insert(r.caption);
    for (const char* c : {"Password(4 Dec)", "Reminder Duration Control", "Music Type Select", "Personal Alert Length",
                          "Out-of Range Alert", "Sequential Lockout", "Numeric Display Mode", "Paging Display",
                          "Read Time Out", "Date Display", "Prompt Language Type", "Bat. Gauge Level-Low",
                          "Bat. Gauge Level-Med", "Bat. Gauge Level-High", "Screen Contrast", "Power Up Logo"})
        EXPECT_TRUE(labels.count(c)) << c;
}

TEST(PageTables, PromptBoxesCarryTheirRecordAddressLengthAndLabel) {
    struct P {
        int index;
        const char* label;
        const char* tag;
        int max;
        const char* page;
    };
    const P prompts[] = {
        {0, "Power Up Logo", "&H100,0", 15, "picSet2"},        {1, "NO PAGES ------->", "&H114,0", 20, "picSet5"},
        {2, "UP OR ESCAPE --->", "&H128,0", 20, "picSet5"},    {3, "MESSAGE LOCK --->", "&H13C,0", 20, "picSet5"},
        {4, "MESSAGE UNLOCK ->", "&H150,0", 20, "picSet5"},    {5, "MESSAGE ERASE -->", "&H164,0", 20, "picSet5"},
        {6, "MESSAGE ERASE ALL", "&H178,0", 20, "picSet5"},    {7, "MOVE TO MEMO --->", "&H18C,0", 20, "picSet5"},
        {8, "SET SCROLL ----->", "&H1A0,0", 20, "picSet5"},    {9, "SET TIME ------->", "&H1B4,0", 20, "picSet5"},
        {10, "SET ALARM ------>", "&H1C8,0", 20, "picSet5"},   {11, "SET ALERT ------>", "&H1DC,0", 20, "picSet5"},
        {12, "PAGER OFF ------>", "&H1F0,0", 20, "picSet5"},   {13, "TONY ONLY ------>", "&H204,0", 20, "picSet5"},
        {14, "SLEEP ------------>", "&H218,0", 18, "picSet5"}, {15, "VIBRATE ---------->", "&H22C,0", 18, "picSet5"},
        {16, "PAGER OFF ? ---->", "&H240,0", 20, "picSet5"},   {17, "MESSAGE ERASE ? >", "&H254,0", 20, "picSet5"},
        {18, "MESSAGE ERASE ALL ?", "&H268,0", 20, "picSet5"}, {19, "TIME  SET -------->", "&H27C,0", 20, "picSet5"},
        {20, "ALARM  SET ------->", "&H290,0", 20, "picSet5"}, {21, "SCROLL SET ------->", "&H2A4,0", 20, "picSet5"},
        {22, "AUTO SLEEP SET --->", "&H2B8,0", 20, "picSet5"}, {23, "ON     OFF SET --->", "&H2CC,0", 20, "picSet5"},
        {24, "MESSAGE AREA ----->", "&H2E0,0", 20, "picSet5"}, {25, "MAIL DROP AREA --->", "&H2F4,0", 20, "picSet5"},
        {26, "BEEP THEN VIBRATE >", "&H308,0", 18, "picSet5"}, {27, "ZOOM IN ---------->", "&H31C,0", 20, "picSet5"},
        {28, "ZOOM OUT --------->", "&H330,0", 20, "picSet5"}, {29, "SET CAPCODE ---->", "&H598,0", 20, "picSet5"},
        {30, "CAPCODE SET ---->", "&H5AC,0", 20, "picSet5"},   {31, "OUT OF RANGE --->", "&H5C1,0", 20, "picSet5"},
        {32, "BEEP AND VIBRATE ->", "&H5D6,0", 18, "picSet5"}, {50, "FLASH ONLY-------->", "&H701,0", 18, "picSet5"},
        {51, "DISCRETE BEEP----->", "&H716,0", 18, "picSet5"}, {52, "BEEPING ---------->", "&H72E,0", 18, "picSet5"},
        {68, "CHARGING---------->", "&H5EA,0", 20, "picSet5"},
    };
    for (const P& p : prompts) {
        const std::string box = "txtPrompt_" + std::to_string(p.index);
        const std::string label = "lblPrompt_" + std::to_string(p.index);
        SCOPED_TRACE(box);
        Found b = find(box), l = find(label);
        ASSERT_NE(b.row, nullptr);
        ASSERT_NE(l.row, nullptr);
        EXPECT_EQ(b.page->name, p.page);
        EXPECT_EQ(l.page->name, p.page);
        EXPECT_EQ(b.row->tag, p.tag);
        EXPECT_EQ(b.row->max_length, p.max);
        EXPECT_EQ(l.row->caption, p.label);
    }
    EXPECT_EQ(find("lblPrompt_68").row->tooltip, " Small Font ( Less than 19 characters ) ");

    // Alignment sets 0 (prompts page), 1 (logo) and 2 (source prompts); default 0 and 1.
    const std::map<std::string, std::pair<std::string, std::string>> buttons = {
        {"optLeft_0", {"picSet5", "Align Left"}},     {"optCenter_0", {"picSet5", "Align Center"}},
        {"optRight_0", {"picSet5", "Align Right"}},   {"optLeft_1", {"picSet2", "Align Left"}},
        {"optCenter_1", {"picSet2", "Align Center"}}, {"optRight_1", {"picSet2", "Align Right"}},
        {"optLeft_2", {"picSet6", "Align Left"}},     {"optCenter_2", {"picSet6", "Align Center"}},
        {"optRight_2", {"picSet6", "Align Right"}},   {"optDefault_0", {"picSet5", ""}},
        {"optDefault_1", {"picSet6", "Load Default"}}};
    for (const auto& [object, expect] : buttons) {
        Found f = find(object);
        ASSERT_NE(f.row, nullptr) << object;
        EXPECT_EQ(f.page->name, expect.first) << object;
        if (!expect.second.empty()) {
            EXPECT_EQ(f.row->tooltip, expect.second) << object;
        }
    }
    EXPECT_EQ(find("optLeft_1").row->caption, "L");
    EXPECT_EQ(find("optCenter_1").row->caption, "C");
    EXPECT_EQ(find("optRight_1").row->caption, "R");
    EXPECT_EQ(find("optDefault_0").row->caption, "D");
}

TEST(PageTables, SourcePromptRowsFollowTheCapcodeSlots) {
    const char* tags[17] = {"&H400,0", "&H414,0", "&H428,0", "&H43C,0", "&H450,0", "&H464,0",
                            "&H478,0", "&H48C,0", "&H4A0,0", "&H4B4,0", "&H4C8,0", "&H4DC,0",
                            "&H4F0,0", "&H504,0", "&H518,0", "&H52C,0", "&H540,0"};
    const char* enables[16] = {"&H554", "&H555", "&H556", "&H557", "&H558", "&H559", "&H55A", "&H55B",
                               "&H55C", "&H55D", "&H55E", "&H55F", "&H560", "&H561", "&H562", "&H563"};
    for (int k = 0; k < 17; ++k) {
        const std::string box = "txtPrompt_" + std::to_string(33 + k);
        const std::string check = "chkSource_" + std::to_string(33 + k);
        SCOPED_TRACE(box);
        Found b = find(box), c = find(check);
        ASSERT_NE(b.row, nullptr);
        ASSERT_NE(c.row, nullptr);
        EXPECT_EQ(b.page->name, "picSet6");
        EXPECT_EQ(b.row->tag, tags[k]);
        EXPECT_EQ(b.row->max_length, 21);
        if (k < 16) {
            EXPECT_EQ(c.row->tag, std::string(enables[k]) + ",0,8,chkSource");
            EXPECT_EQ(c.row->tooltip, "Enable or disable the 1st Capcode( address )");
            char caption[16];
            std::snprintf(caption, sizeof caption, "Capcode #%02d", k + 1);
            EXPECT_EQ(c.row->caption, caption);
        }
    }
    EXPECT_NE(find("lblPromptCtl").row, nullptr);
    EXPECT_EQ(find("lblPromptCtl").row->caption, "Prompt Control");
}

TEST(PageTables, MusicPageRowsCarryTheirCaptionsAndLimits) {
    for (int s = 0; s < 16; ++s) {
        char caption[32];
        std::snprintf(caption, sizeof caption, "Cap #%02d Music Type:", s + 1);
        const std::string n = std::to_string(s);
        ASSERT_NE(find("lblCapMsc_" + n).row, nullptr);
        EXPECT_EQ(find("lblCapMsc_" + n).row->caption, caption);
        ASSERT_NE(find("txtUser_" + n).row, nullptr);
        EXPECT_EQ(find("txtUser_" + n).row->max_length, 16);
        for (const char* o : {"lblCapMsc_", "cboMusicType_", "txtUser_"})
            EXPECT_EQ(frame_caption(o + n), "Music and Tone of Capcode") << o << s;
    }
    for (const char* o : {"chkCtl_35", "chkCtl_45", "chkCtl_66"})
        EXPECT_EQ(frame_caption(o), "Music and Tone of Capcode") << o;
}

TEST(PageTables, ObjectNamesAreUniqueAndNotOnTheCodesPage) {
    std::set<std::string> seen;
    for (const std::string& o : all_objects()) EXPECT_TRUE(seen.insert(o).second) << o << " appears twice";
    for (const ControlSpec& r : codes_page_controls())
        EXPECT_FALSE(seen.count(object_name(r.name, r.index)))
            << object_name(r.name, r.index) << " is also on the codes page";
    // Capcode-row controls belong to the codes page only.
    for (int i : {10, 25, 50, 65, 70, 85}) EXPECT_FALSE(seen.count("chkCtl_" + std::to_string(i)));
    for (const char* o : {"cboCtl_7", "cboCtl_22", "txtAddr_0", "txtPass1", "optAuto1", "cboMailAlert_1", "lblAlert_1"})
        EXPECT_FALSE(seen.count(o)) << o;
}

namespace {

struct Box {
    std::string object;
    QRect rect; // absolute on the page, twips
};

// Height a drop-down list takes in twips: the window leaves it to the control.
int list_height(const ControlSpec& r) {
    QComboBox c;
    QFont font(QStringLiteral("Courier New"));
    font.setPointSizeF(r.font_size);
    c.setFont(font);
    return std::max(r.height, c.sizeHint().height() * 15);
}

// Absolute rectangles of a page's controls; containers precede their contents.
std::vector<Box> boxes(const Page& p) {
    std::map<std::string, QPoint> origin = {{p.name, QPoint(0, 0)}};
    std::vector<Box> out;
    for (const ControlSpec& r : p.rows) {
        const std::string o = object_name(r.name, r.index);
        EXPECT_TRUE(origin.count(r.parent)) << o << " comes before its container " << r.parent;
        const QPoint at = origin[r.parent] + QPoint(r.left, r.top);
        if (r.kind == ControlKind::Frame || r.kind == ControlKind::Picture) origin[o] = at;
        const int height = r.kind == ControlKind::ComboBox ? list_height(r) : r.height;
        out.push_back({o, QRect(at, QSize(r.width, height))});
    }
    return out;
}

} // namespace

TEST(PageTables, ControlsStayInsideTheirContainersAndDoNotOverlap) {
    app();
    const QRect page(0, 0, 10380, 6840);
    for (const Page& p : pages()) {
        SCOPED_TRACE(p.name);
        ASSERT_FALSE(p.rows.empty());
        std::map<std::string, QRect> containers = {{p.name, page}};
        const std::vector<Box> all = boxes(p);
        for (std::size_t i = 0; i < all.size(); ++i) {
            const ControlSpec& r = p.rows[i];
            EXPECT_GT(r.width, 0) << all[i].object;
            EXPECT_GT(r.height, 0) << all[i].object;
            EXPECT_TRUE(containers[r.parent].contains(all[i].rect)) << all[i].object << " leaves " << r.parent;
            if (r.kind == ControlKind::Frame || r.kind == ControlKind::Picture) containers[all[i].object] = all[i].rect;
        }
        for (std::size_t i = 0; i < all.size(); ++i)
            for (std::size_t j = i + 1; j < all.size(); ++j) {
                const QRect& a = all[i].rect;
                const QRect& b = all[j].rect;
                if (a.intersects(b)) {
                    EXPECT_TRUE(a.contains(b) || b.contains(a)) << all[i].object << " overlaps " << all[j].object;
                }
            }
        // Frames first, then the controls.
        bool seen_control = false;
        for (const ControlSpec& r : p.rows) {
            const bool container = r.kind == ControlKind::Frame || r.kind == ControlKind::Picture;
            EXPECT_FALSE(container && seen_control) << object_name(r.name, r.index);
            seen_control = seen_control || !container;
        }
    }
}

TEST(PageTables, SlotRowsUseTheCapcodeRowPitch) {
    // The capcode-length layout moves each slot's row to the first row's
    // position plus a multiple of the capcode page's row pitch.
    int pitch = 0;
    for (const ControlSpec& a : codes_page_controls())
        for (const ControlSpec& b : codes_page_controls())
            if (a.name == "Label1" && b.name == "Label1" && a.index == 0 && b.index == 1) pitch = b.top - a.top;
    if (pitch == 0) GTEST_SKIP() << "the codes page has no capcode rows yet";
    for (const char* name : {"lblCapMsc_", "cboMusicType_", "txtUser_"}) {
        const int top0 = find(name + std::string("0")).row->top;
        for (int s = 1; s < 16; ++s) EXPECT_EQ(find(name + std::to_string(s)).row->top, top0 + s * pitch) << name << s;
    }
    for (const char* name : {"chkSource_", "txtPrompt_"}) {
        const int top0 = find(name + std::string("33")).row->top;
        for (int s = 1; s < 16; ++s)
            EXPECT_EQ(find(name + std::to_string(33 + s)).row->top, top0 + s * pitch) << name << s;
    }
}

TEST(PageTables, CaptionsAndListEntriesFitTheirControls) {
    app();
    // The window's font; each row's size in twips against what Qt needs in pixels.
    for (const Page& p : pages())
        for (const ControlSpec& r : p.rows) {
            const std::string o = object_name(r.name, r.index);
            QFont font(QStringLiteral("Courier New"));
            font.setPointSizeF(r.font_size);
            const QString caption = QString::fromStdString(r.caption).replace("&&", "&");
            int need = 0;
            switch (r.kind) {
            case ControlKind::Label: {
                QLabel l(caption);
                l.setFont(font);
                need = l.sizeHint().width();
                break;
            }
            case ControlKind::CheckBox: {
                QCheckBox c(QString::fromStdString(r.caption));
                c.setFont(font);
                need = c.sizeHint().width();
                break;
            }
            case ControlKind::ComboBox: {
                QComboBox c;
                c.setFont(font);
                for (const ListItem& i : r.items) c.addItem(QString::fromStdString(i.text));
                c.setSizeAdjustPolicy(QComboBox::AdjustToContents);
                need = c.sizeHint().width();
                break;
            }
            case ControlKind::TextBox:
                if (r.max_length > 0) need = QFontMetrics(font).horizontalAdvance(QString(r.max_length, 'W')) + 6;
                break;
            default: break;
            }
            EXPECT_LE(need, r.width / 15) << p.name << " " << o << " is " << r.width / 15 << " px wide, needs " << need;
        }
}
