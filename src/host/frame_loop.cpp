#include "host/frame_loop.h"

#include "config/settings_reload.h"
#include "host/host_api.h"
#include "host/on_screen.h"
#include "model/ped_scan.h"
#include "recoil/recoil.h"

void script_main() {
    load_settings_at_start();
    for (;;) {
        reload_settings_if_changed();
        scan_peds();
        draw_notification_banner();
        draw_debug_overlay();
        camera_kick_step();
        scriptWait(0);
    }
}
