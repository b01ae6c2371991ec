#include "config/settings.h"

ModSettings settings;
ClassTuning class_tuning;
ShooterTuning shooter_tuning;

std::optional<TunedClass> tuned_class_of(std::string_view name) {
    for (const TunedClass c : tuned_classes) {
        if (name == class_name(c)) return c;
    }
    return std::nullopt;
}

std::optional<TunedClass> tuned_class_of(WeaponClass name) {
    for (const TunedClass c : tuned_classes) {
        if (name == class_name(c)) return c;
    }
    return name != nullptr ? tuned_class_of(std::string_view(name)) : std::nullopt;
}

ClassChanceTuning class_chance_tuning(WeaponClass weapon_class) {
    ClassChanceTuning tuning;
    tuning.min_dirt = read_table(class_tuning.min_dirt, weapon_class);
    tuning.min_degradation = read_table(class_tuning.min_degradation, weapon_class);
    tuning.expo_chance_mod = read_table(class_tuning.expo_chance_mod, weapon_class);
    tuning.expo_type = read_table(class_tuning.expo_type, weapon_class);
    return tuning;
}

void release_effect_names() {
    std::string().swap(settings.fx_expo);
    std::string().swap(settings.fx_crack);
}
