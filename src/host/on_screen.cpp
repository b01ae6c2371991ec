#include "host/on_screen.h"

char notification_text[on_screen_text_size];
int notification_frames_left = 0;
char debug_overlay_text[on_screen_text_size];
int debug_overlay_frames_left = 0;

void show_notification(const char* /*text*/) {}
void set_debug_overlay(const char* /*line*/) {}
void draw_notification_banner() {}
void draw_debug_overlay() {}
