// One rule, two front ends: random sequences of changes, each drawn from every
// settable name, made in the window offscreen (as a user clicks and types) and
// through the settings that `qrt58cli set` applies, must leave the same bytes
// after every change. A change one front end refuses, the other refuses too.
#include "alerts.h"
#include "capcode.h"
#include "ctl_eb_slider.h"
#include "default_image.h"
#include "editor_fixture.h"
#include "frequency.h"
#include "melody.h"
#include "prompts.h"
#include "settings.h"
#include "table_file.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>

#include <algorithm>
#include <cstring>
#include <iostream>
#include <random>
#include <sstream>

using namespace qrt58;

namespace {

struct Change {
    std::string name;
    std::string value;
};

// A control of the window by name and index, or by the field tag it binds.
struct Target {
    QWidget* widget = nullptr;
    enum Kind { Check, List, Text, Slider, Menu, None } kind = None;
};

class SetEquivalence : public EditorFixture {
protected:
    // QRT58_SEED runs other sequences than the suite's own.
    std::mt19937 rng{static_cast<std::mt19937::result_type>(
        qEnvironmentVariableIsSet("QRT58_SEED") ? qEnvironmentVariableIntValue("QRT58_SEED") : 20261209)};

    int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); }
    bool coin() { return pick(2) == 1; }

    QWidget* ctl(const char* name, int index = -1) { return form->control(QString::fromLatin1(name), index); }

    QWidget* by_tag(const char* tag) {
        const QString prefix = QString::fromLatin1(tag) + QLatin1Char(',');
        for (QWidget* w : form->controls())
            if (w->property("Tag").toString().startsWith(prefix)) return w;
        return nullptr;
    }

    Target target(const std::string& name) {
        const auto numbered = [&name](const std::string& prefix, const std::string& suffix) -> int {
            if (name.rfind(prefix, 0) != 0 || name.size() < prefix.size() + suffix.size() ||
                name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0)
                return -1;
            return std::stoi(name.substr(prefix.size(), name.size() - prefix.size() - suffix.size()));
        };
        for (const OptionBinding& b : option_bindings())
            if (option_key(b.caption) == name) {
                QWidget* w = by_tag(b.tag);
                return {w, qobject_cast<QComboBox*>(w) ? Target::List : Target::Check};
            }
        if (name == "frequency.range") return {ctl("cboDft"), Target::List};
        if (name == "frequency.box") return {ctl("txtFreq"), Target::Text};
        if (int n = numbered("capcodes.", ".length"); n > 0) return {ctl("cboCapLen", (n - 1) / 2), Target::List};
        if (int n = numbered("capcodes.", ".capcode"); n > 0) return {ctl("txtAddr", n - 1), Target::Text};
        if (int n = numbered("capcodes.", ".enabled"); n > 0) return {ctl("chkCtl", 10 + n - 1), Target::Check};
        if (int n = numbered("capcodes.", ".type"); n > 0) return {ctl("cboCtl", 7 + n - 1), Target::List};
        if (int n = numbered("capcodes.", ".priority"); n > 0) return {ctl("chkCtl", 50 + n - 1), Target::Check};
        if (int n = numbered("capcodes.", ".manual"); n > 0) return {ctl("chkCtl", 70 + n - 1), Target::Check};
        if (int n = numbered("prompts.", ".text"); n >= 0) return {ctl("txtPrompt", n), Target::Text};
        if (name == "source_prompts.mode") return {ctl("cboCtl", 2), Target::List};
        if (name == "source_prompts.multiple") return {ctl("chkCtl", 43), Target::Check};
        if (int n = numbered("source_prompts.slots.", ".enabled"); n > 0)
            return {ctl("chkSource", 32 + n), Target::Check};
        if (int n = numbered("source_prompts.slots.", ".text"); n > 0) return {ctl("txtPrompt", 32 + n), Target::Text};
        if (name == "display.language") return {ctl("cboLng"), Target::List};
        if (name == "display.logo_font") return {ctl("cbologo"), Target::List};
        if (name == "display.contrast") return {ctl("Slider1"), Target::Slider};
        if (name == "display.lamp_time") return {ctl("cboLamp"), Target::List};
        if (name == "display.push_key_lamp") return {ctl("chkCtl", 37), Target::Check};
        if (name == "display.battery.low") return {ctl("cboBatLev", 0), Target::List};
        if (name == "display.battery.med") return {ctl("cboBatLev", 1), Target::List};
        if (name == "display.battery.high") return {ctl("cboBatLev", 2), Target::List};
        if (name == "passwords.read_write") return {ctl("txtPass1"), Target::Text};
        if (name == "passwords.manual") return {ctl("txtPass"), Target::Text};
        if (name == "alerts.menu_left_out") return {ctl("chkMenu", 0), Target::Menu};
        if (name == "alerts.default_tone") return {ctl("cboTone"), Target::List};
        if (name == "alerts.personal_alert_length") return {ctl("cboPersonAlert"), Target::List};
        if (name == "alerts.out_of_range") return {ctl("cboORA"), Target::List};
        if (name == "alerts.sequential_lockout") return {ctl("cboSLC"), Target::List};
        if (name == "alerts.mail_alert") return {ctl("chkMailAlert"), Target::Check};
        if (int n = numbered("alerts.mail_drop.", ".alert"); n > 0) return {ctl("cboMailAlert", n - 1), Target::List};
        if (int n = numbered("melodies.slots.", ".music_type"); n > 0)
            return {ctl("cboMusicType", n - 1), Target::List};
        if (int n = numbered("melodies.slots.", ".melody"); n > 0) return {ctl("txtUser", n - 1), Target::Text};
        return {};
    }

    // A control the user can reach: enabled, shown on its page, and not a row
    // lying covered under another.
    bool usable(QWidget* w) const {
        if (!w || !w->isEnabled()) return false;
        // A covered row keeps its own focus policy aside while it lies under another.
        if (w->property("rowFocusPolicy").isValid() && w->focusPolicy() == Qt::NoFocus) return false;
        QWidget* page = w;
        while (page && !page->objectName().startsWith(QLatin1String("picTab")) && page->parentWidget() != nullptr &&
               std::find_if(Form1::kPageNames.begin(), Form1::kPageNames.end(), [page](const char* n) {
                   return page->objectName() == QLatin1String(n);
               }) == Form1::kPageNames.end())
            page = page->parentWidget();
        return page && w->isVisibleTo(page);
    }

    // ---- random changes

    std::string text_of(const char* alphabet, int length) {
        std::string out;
        for (int i = 0; i < length; ++i) out += alphabet[pick(static_cast<int>(std::strlen(alphabet)))];
        return out;
    }

    std::string value_for(const std::string& name, const Target& t, const PagerTable& image, const PairLengths& shown) {
        if (t.kind == Target::Check) return coin() ? "true" : "false";
        if (t.kind == Target::Slider) return std::to_string(1 + pick(8));
        if (t.kind == Target::List) {
            auto* list = qobject_cast<QComboBox*>(t.widget);
            if (name == "source_prompts.mode") {
                static const char* const modes[] = {"Forward", "Backward", "Auto Cap.", "Disable"};
                return modes[pick(4)];
            }
            return list->itemText(pick(list->count())).toStdString();
        }
        if (t.kind == Target::Menu) {
            std::string out;
            for (int i = 0; i < kMenuItems; ++i)
                if (pick(3) == 0)
                    out += (out.empty() ? "" : ",") + std::string(menu_item_captions()[static_cast<std::size_t>(i)]);
            return out;
        }
        if (name == "frequency.box") {
            const int spacing = channel_spacing_khz(image) * 10;
            return std::to_string(static_cast<long long>(stored_frequency(image)) + spacing * (pick(41) - 20));
        }
        if (name.rfind("capcodes.", 0) == 0) {
            const int slot = std::stoi(name.substr(9)) - 1;
            if (slot % 2 == 0 && shown[static_cast<std::size_t>(slot / 2)])
                return std::to_string(2101249 + static_cast<long long>(pick(2000000000)));
            return std::to_string(1 + pick(2031614));
        }
        if (name == "passwords.read_write") return text_of("ABCDEFXYZ0123456789", 6);
        if (name == "passwords.manual") return text_of("0123456789", 4);
        if (name.rfind("melodies.", 0) == 0)
            return text_of(single_tone_mode(image) ? "01" : "0ABCDEFGabcdefg", 1 + pick(16));
        if (name.rfind("source_prompts.", 0) == 0) return text_of("AB XY<>12", 1 + pick(18));
        const int max = qobject_cast<QLineEdit*>(t.widget)->maxLength();
        return text_of("ABC XYZ 09", pick(std::min(max, 18) + 1));
    }

    std::string random_name() {
        const std::vector<SettableName>& names = settable_names();
        for (;;) {
            std::string name = names[static_cast<std::size_t>(pick(static_cast<int>(names.size())))].name;
            // No control of the window sets the capcode count; "frequency" is
            // the other name of frequency.box.
            if (name == "capcode_count" || name == "frequency") continue;
            const auto n = name.find(".N.");
            if (n == std::string::npos) return name;
            int number = 0;
            if (name.rfind("prompts.", 0) == 0) {
                const auto& all = prompt_slots();
                number = all[static_cast<std::size_t>(pick(static_cast<int>(all.size())))].index;
            } else if (name == "capcodes.N.length") {
                number = 1 + 2 * pick(8);
            } else if (name.rfind("alerts.mail_drop", 0) == 0) {
                number = 2 + pick(15);
            } else if (name.rfind("source_prompts", 0) == 0) {
                number = 1 + pick(17);
            } else {
                number = 1 + pick(16);
            }
            return name.substr(0, n) + "." + std::to_string(number) + name.substr(n + 2);
        }
    }

    // ---- the window

    void type_into(QLineEdit* box, const std::string& text) {
        focus(box);
        box->clear();
        QTest::keyClicks(box, QString::fromStdString(text));
        leave();
    }

    void window_apply(const Change& c, const Target& t) {
        window_act(c, t);
        // The event loop runs between two clicks of a user's.
        QCoreApplication::processEvents();
    }

    void window_act(const Change& c, const Target& t) {
        if (t.kind == Target::Check) {
            auto* box = qobject_cast<QCheckBox*>(t.widget);
            const bool want = c.value == "true";
            for (int i = 0; i < 3 && (box->checkState() == Qt::PartiallyChecked || box->isChecked() != want); ++i)
                box->click();
        } else if (t.kind == Target::List) {
            auto* list = qobject_cast<QComboBox*>(t.widget);
            const int index = list->findText(QString::fromStdString(c.value));
            ASSERT_GE(index, 0) << c.name << "=" << c.value;
            list->setCurrentIndex(index);
            emit list->activated(index);
        } else if (t.kind == Target::Slider) {
            qobject_cast<widgets::ctlEBSlider*>(t.widget)->setValue(std::stoi(c.value));
        } else if (t.kind == Target::Menu) {
            std::array<bool, kMenuItems> want{};
            for (int i = 0; i < kMenuItems; ++i)
                want[static_cast<std::size_t>(i)] =
                    (',' + c.value + ',')
                        .find(',' + std::string(menu_item_captions()[static_cast<std::size_t>(i)]) + ',') !=
                    std::string::npos;
            // Items left out first, so that the menu never has all eight in.
            for (const bool tick : {true, false})
                for (int i = 0; i < kMenuItems; ++i) {
                    auto* box = form->ctl<QCheckBox>(QStringLiteral("chkMenu"), i);
                    if (want[static_cast<std::size_t>(i)] == tick && box->isChecked() != tick && box->isEnabled())
                        box->click();
                }
        } else if (t.kind == Target::Text) {
            type_into(qobject_cast<QLineEdit*>(t.widget), c.value);
        }
    }

    // An image made by random changes from the default one, so that sequences
    // start deep in the settings (long pairs, modes, music types, locks). Its
    // per-capcode music is off: the tone the window saves while it is on lives
    // only in the window that saved it.
    PagerTable random_start() {
        PagerTable image = build_default_image();
        if (coin()) return image;
        SettingSession session(image);
        const auto set = [&session](const std::string& name, const std::string& value) { session.apply(name, value); };
        set("options.user_s_capcode_music_type_enable", "true");
        set("alerts.mail_alert", coin() ? "true" : "false");
        for (int p = 0; p < kCapcodePairs; ++p)
            if (coin()) {
                set("capcodes." + std::to_string(2 * p + 1) + ".length", "Long");
                set("capcodes." + std::to_string(2 * p + 1) + ".capcode", std::to_string(2101249 + pick(2000000000)));
            }
        for (int k = 1; k <= kCapcodeSlots; ++k) {
            static const char* const types[] = {"Personal", "Mail drop", "Group"};
            set("capcodes." + std::to_string(k) + ".type", types[pick(3)]);
            set("melodies.slots." + std::to_string(k) + ".music_type", coin() ? "User" : "Tone 2");
        }
        static const char* const modes[] = {"Backward", "Auto Cap.", "Disable"};
        set("source_prompts.mode", modes[pick(3)]);
        for (int i = 0; i < 20; ++i) {
            const std::string name = random_name();
            const Target t = target(name);
            session.apply(name, value_for(name, t, image, session.shown));
        }
        session.apply("options.user_s_capcode_music_type_enable", "false");
        return image;
    }

    // Every menu box that the value changes can be clicked.
    bool menu_boxes_free(const std::string& value) {
        // A menu of all eight items cannot be made: the last box clicked goes back.
        if (value.empty()) return false;
        for (int i = 0; i < kMenuItems; ++i) {
            const bool want =
                (',' + value + ',').find(',' + std::string(menu_item_captions()[static_cast<std::size_t>(i)]) + ',') !=
                std::string::npos;
            auto* box = form->ctl<QCheckBox>(QStringLiteral("chkMenu"), i);
            if (box->isChecked() != want && !box->isEnabled()) return false;
        }
        return true;
    }

    void open_in_window(const PagerTable& image) {
        const QString path = folder.filePath(QStringLiteral("start.tbl"));
        ASSERT_TRUE(save_table_file(path, image).ok);
        seams.dialogs->answers.push_back(path);
        form->mnuLBFF_Click();
        leave();
    }
};

std::string first_difference(const PagerTable& a, const PagerTable& b) {
    std::ostringstream out;
    int shown = 0;
    for (int i = 0; i < kImageSize && shown < 6; ++i)
        if (a[i] != b[i]) {
            out << std::hex << " 0x" << i << ": window " << int(a[i]) << ", set " << int(b[i]) << ';';
            ++shown;
        }
    return out.str();
}

TEST_F(SetEquivalence, RandomSequencesLeaveTheSameBytesInTheWindowAndThroughSet) {
    const int kSequences =
        qEnvironmentVariableIsSet("QRT58_SEQUENCES") ? qEnvironmentVariableIntValue("QRT58_SEQUENCES") : 200;
    constexpr int kChanges = 10;
    int accepted = 0, refused = 0;
    for (int sequence = 0; sequence < kSequences && !HasFailure(); ++sequence) {
        open_in_window(random_start());
        PagerTable image = form->image(); // as the window opened it
        SettingSession session(image);
        std::string log;
        for (int step = 0; step < kChanges && !HasFailure(); ++step) {
            const std::string name = random_name();
            const Target t = target(name);
            ASSERT_NE(t.widget, nullptr) << name;
            const Change c{name, value_for(name, t, image, session.shown)};
            log += "\n  " + c.name + "=" + c.value;
            const PagerTable window_before = form->image();
            const std::string why = session.apply(c.name, c.value);
            auto* list = qobject_cast<QComboBox*>(t.widget);
            const bool reachable = usable(t.widget) &&
                                   (!list || list->findText(QString::fromStdString(c.value)) >= 0) &&
                                   (t.kind != Target::Menu || menu_boxes_free(c.value));
            if (!why.empty()) {
                ++refused;
                // Refused by set: the window has no control for it in this state,
                // or refuses it too.
                if (reachable) {
                    seams.boxes->clear();
                    window_apply(c, t);
                    EXPECT_TRUE(form->image() == window_before)
                        << "set refused (" << why << ") but the window took:" << log
                        << first_difference(form->image(), window_before);
                    EXPECT_FALSE(seams.boxes->texts().isEmpty()) << "refused without a message:" << log;
                    leave();
                }
                continue;
            }
            ++accepted;
            ASSERT_TRUE(reachable) << "set took a change the window offers no control for:" << log;
            window_apply(c, t);
            ASSERT_TRUE(form->image() == image) << "after:" << log << first_difference(form->image(), image);
        }
    }
    // The sequences reach most settings in a state that takes them.
    EXPECT_GT(accepted, kSequences * kChanges / 2);
    std::cout << "changes accepted " << accepted << ", refused " << refused << '\n';
}

} // namespace
