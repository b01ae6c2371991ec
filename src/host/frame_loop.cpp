#include "host/frame_loop.h"

#include "config/settings.h"
#include "host/host_api.h"
#include "host/on_screen.h"
#include "model/ped_scan.h"
#include "recoil/recoil.h"

void script_main() {
    load_settings();
    for (;;) {
        scan_peds();
        draw_notification_banner();
        draw_debug_overlay();
        camera_kick_step();
        scriptWait(0);
    }
}
