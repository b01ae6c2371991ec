#pragma once
// The tuner page's engine: what the page shows of an INI, computed by the
// plugin's own code (its settings loader through the key table, its shot
// chances and outcome, its recoil) and the tool's `check`, `odds` and log
// reader, so that the page can never disagree with the game. Every answer is
// one JSON document; the page only draws it.

#include <string>
#include <string_view>
#include <vector>

namespace tuner {

// The INI's text as the plugin reads it: every key by section in the key
// table's order, with its meaning, kind, range, default, the text the file
// gives (null: none), the value the plugin holds and the slider of a number
// key or of each number of a list key (slider_span); check's findings; per
// weapon class the crack, explosion and shots-to-failure odds over dirt and
// degradation at a cool and a hot barrel (as `odds` computes them); the
// camera recoil of one shot of each class. `name` names the file.
std::string describe_ini(std::string_view text, const std::string& name);

// What an edit of one key changes, for a page that holds the document of the
// text before it: describe_ini's document of the text after it, with only the
// keys whose state differs from the text before (without their meanings,
// which do not change), every finding, the odds of only the classes the key
// can move, and the recoil null when its curves stay.
// With `odds_numbers`, the odds' figures go there instead of into the
// document, per class and barrel (cool, then hot) its crack, explosion and
// shots figures over the grid one after the other, the class giving where
// they start ("at"): a page reads them as they are, without parsing text.
std::string describe_edit(std::string_view before, std::string_view after, const std::string& name,
                          const std::string& section, const std::string& key,
                          std::vector<double>* odds_numbers = nullptr);
// Those classes: a per-class key's own class; none (meaning every class) for
// every other key, which the odds of every class read.
std::vector<std::string> classes_moved_by(const std::string& section, const std::string& key);

// The INI's text with one value changed, as the in-game menu saves it (config/ini_edit.h).
std::string edit_ini(std::string_view text, const std::string& section, const std::string& key,
                     const std::string& value);

// A shot log of a game: read and kept for log_under_ini; its figures as
// `log --format json` prints them.
std::string open_log(std::string_view text, const std::string& name);
// The log kept by open_log, with its shots under the INI's text, as
// `log --ini --format json` prints them ("null" when no log is open).
std::string log_under_ini(std::string_view ini_text, const std::string& ini_name);

}  // namespace tuner
