#include "host/plugin_state.h"

#include "config/settings.h"
#include "config/settings_reload.h"
#include "config/settings_text.h"
#include "effects/particles.h"
#include "host/frame_loop.h"
#include "host/on_screen.h"
#include "menu/menu.h"
#include "model/barrel.h"
#include "model/ped_scan.h"
#include "model/shot_log.h"
#include "model/shot_record.h"
#include "recoil/recoil.h"

// Cold: it runs once a run, and the game never calls it, so it is kept small.
[[gnu::cold]] void reset_plugin_state() {
    settings = ModSettings{};
    class_tuning = ClassTuning{};
    shooter_tuning = ShooterTuning{};
    settings_reload = SettingsReload{};
    settings_text = SettingsText{};
    frame_loop_pass = 0;
    on_screen = OnScreenTexts{};
    player_weapon_view = PlayerWeaponView{};
    barrel = BarrelState{};
    heat_smoke = HeatSmokeState{};
    camera_kick = CameraKick{};
    shot_records = ShotRecords{};
    // A run that ended without its unload lets go of the log's file here;
    // what it had not written is dropped.
    play_log.pending_size = 0;
    close_shot_log();
    play_log = PlayLog{};
    menu = MenuState{};
}
