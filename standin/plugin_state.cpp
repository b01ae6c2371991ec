#include "plugin_state.h"

#include <algorithm>

#include "config/settings.h"
#include "config/settings_edit.h"
#include "config/settings_reload.h"
#include "menu/menu.h"
#include "model/ped_scan.h"
#include "effects/particles.h"
#include "host/frame_loop.h"
#include "host/on_screen.h"
#include "model/barrel.h"
#include "model/shot_log.h"
#include "model/shot_record.h"
#include "recoil/recoil.h"

namespace standin {

void reset_plugin_globals() {
    settings = ModSettings{};
    class_tuning = ClassTuning{};
    shooter_tuning = ShooterTuning{};
    notification_text[0] = 0;
    notification_frames_left = 0;
    debug_overlay_text[0] = 0;
    debug_overlay_frames_left = 0;
    barrel_heat = 0.0f;
    barrel_cold = 0.0f;
    last_player_weapon_object = 0;
    heat_smoke_on = false;
    upkeep_counter = 0;
    heat_smoke_handle = 0;
    kick_amount = 0.0f;
    kick_weapon_class.clear();
    std::fill(std::begin(shot_records), std::end(shot_records), ShotRecord{});
    shot_records_written = 0;
    loaded_settings_stamp = SettingsFileStamp{};
    checked_settings_stamp = SettingsFileStamp{};
    passes_since_settings_check = 0;
    settings_file_checks = 0;
    settings_loads = 0;
    frame_loop_pass = 0;
    // A run that ended without its unload lets go of the log file here;
    // what it had not written is dropped.
    shot_log_pending_size = 0;
    close_shot_log();
    shot_log_stopped = false;
    shot_log_session[0] = 0;
    settings_file_text.clear();
    settings_edited_text.clear();
    settings_file_reads = 0;
    player_weapon_view = PlayerWeaponView{};
    menu = MenuState{};
}

}  // namespace standin
