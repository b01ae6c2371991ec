#include "host/frame_loop.h"

#include "config/settings_reload.h"
#include "host/host_api.h"
#include "host/on_screen.h"
#include "menu/menu.h"
#include "model/ped_scan.h"
#include "model/shot_log.h"
#include "recoil/recoil.h"

std::uint32_t frame_loop_pass = 0;

void script_start() {
    load_settings_at_start();
    start_shot_log_session();
    prepare_settings_menu();
}

void frame_loop_step() {
    ++frame_loop_pass;
    reload_settings_if_changed();
    write_shot_log_if_due(frame_loop_pass);
    scan_peds();
    draw_notification_banner();
    draw_debug_overlay();
    settings_menu_pass();
    camera_kick_step();
    scriptWait(0);
}

void script_main() {
    script_start();
    for (;;) frame_loop_step();
}
