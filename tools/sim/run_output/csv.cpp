#include "run_output/csv.h"

#include <fstream>
#include <system_error>

#include "shared/text_format.h"
#include "shared/tool_error.h"
#include "shared/platform.h"
#include "model/shot_record.h"

namespace sim {

namespace {

std::string number(float value) { return format("%.9g", static_cast<double>(value)); }

// Quoted, a quote doubled: names and the plugin's texts may hold commas.
std::string text(const std::string& value) {
    std::string out = "\"";
    for (const char c : value) {
        if (c == '"') out += '"';
        out += c;
    }
    return out + "\"";
}

// One file of the records: its header line, then the rows write_rows writes.
template <typename WriteRows>
void write_file(const std::filesystem::path& file, const char* header, WriteRows write_rows) {
    std::ofstream out(file, std::ios::binary);
    if (out) {
        out << header;
        write_rows(out);
        out.close();
    }
    if (!out) throw ToolError("cannot write CSV file '" + utf8_of(file) + "'");
}

}  // namespace

void write_csv(const std::filesystem::path& dir, const RunResult& result) {
    std::error_code error;
    std::filesystem::create_directories(dir, error);
    if (error) throw ToolError("cannot create CSV directory '" + utf8_of(dir) + "': " + error.message());

    write_file(dir / "shots.csv",
               "frame,outcome_frame,shooter,kind,class,weapon_object,weapon_shot,temperature,dirt,game_degradation,"
               "effective_degradation,base_degradation,heat,cold,min_dirt,min_degradation,expo_chance_mod,expo_type,"
               "dirt_term,degradation_term,crack_chance,explosion_chance,crack_degradation_limit,roll,kick,outcome,"
               "finished\n",
               [&result](std::ofstream& shots) {
                   for (const ShotRecord& s : result.shots) {
                       const ClassChanceTuning& t = s.tuning;
                       const ShotChances& c = s.chances;
                       shots << s.frame << ',' << s.outcome_frame << ',' << text(result.shooters[s.shooter].name)
                             << ',' << shooter_kind_of(s.is_npc) << ',' << s.weapon_class << ',' << s.weapon_object
                             << ',' << s.weapon_shot << ',' << number(s.temperature) << ',' << number(s.dirt) << ','
                             << number(s.game_degradation) << ',' << number(s.effective_degradation) << ','
                             << (s.base_degradation ? 1 : 0) << ',' << number(s.heat) << ',' << number(s.cold) << ','
                             << number(t.min_dirt) << ',' << number(t.min_degradation) << ','
                             << number(t.expo_chance_mod) << ',' << t.expo_type << ',' << number(c.dirt_term) << ','
                             << number(c.degradation_term) << ',' << number(c.crack_chance) << ','
                             << number(c.explosion_chance) << ',' << number(c.crack_degradation_limit) << ','
                             << number(s.roll) << ',' << number(s.kick) << ',' << shot_outcome_name(s.outcome) << ','
                             << (s.finished ? 1 : 0) << '\n';
                   }
               });
    write_file(dir / "frames.csv",
               "frame,temperature,heat,cold,heat_smoke,in_water,player_dirt,player_degradation,camera_pitch,shots,"
               "cracks,explosions\n",
               [&result](std::ofstream& frames) {
                   for (const FrameRecord& f : result.frame_records) {
                       frames << f.frame << ',' << number(f.temperature) << ',' << number(f.heat) << ','
                              << number(f.cold) << ',' << (f.heat_smoke ? 1 : 0) << ',' << (f.in_water ? 1 : 0) << ','
                              << number(f.player_dirt) << ',' << number(f.player_degradation) << ','
                              << number(f.camera_pitch) << ',' << f.shots << ',' << f.cracks << ',' << f.explosions
                              << '\n';
                   }
               });
    write_file(dir / "texts.csv", "frame,x,y,scale,centred,text\n", [&result](std::ofstream& texts) {
        for (const TextRecord& t : result.texts) {
            texts << t.frame << ',' << number(t.x) << ',' << number(t.y) << ',' << number(t.scale) << ','
                  << (t.centred ? 1 : 0) << ',' << text(t.text) << '\n';
        }
    });
}

}  // namespace sim
