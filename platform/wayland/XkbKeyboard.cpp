#include "platform/wayland/XkbKeyboard.h"

#include <cstdlib>

namespace nabbit {

namespace {

// evdev codes are XKB key codes less 8.
constexpr uint32_t kEvdevOffset = 8;

}  // namespace

Expected<XkbKeyboard, std::string> XkbKeyboard::compile() {
    XkbKeyboard keyboard;
    keyboard.context_.reset(xkb_context_new(XKB_CONTEXT_NO_FLAGS));
    if (!keyboard.context_) {
        return Unexpected{std::string("libxkbcommon could not start")};
    }
    // Empty names: the XKB_DEFAULT_* variables, else the library's defaults.
    const xkb_rule_names names{};
    keyboard.keymap_.reset(
        xkb_keymap_new_from_names(keyboard.context_.get(), &names, XKB_KEYMAP_COMPILE_NO_FLAGS));
    if (!keyboard.keymap_) {
        return Unexpected{std::string("no keymap could be compiled for the keyboard layout")};
    }
    return finish(std::move(keyboard));
}

Expected<XkbKeyboard, std::string> XkbKeyboard::fromText(const std::string& text) {
    XkbKeyboard keyboard;
    keyboard.context_.reset(xkb_context_new(XKB_CONTEXT_NO_FLAGS));
    if (!keyboard.context_) {
        return Unexpected{std::string("libxkbcommon could not start")};
    }
    keyboard.keymap_.reset(xkb_keymap_new_from_buffer(keyboard.context_.get(), text.data(),
                                                      text.size(), XKB_KEYMAP_FORMAT_TEXT_V1,
                                                      XKB_KEYMAP_COMPILE_NO_FLAGS));
    if (!keyboard.keymap_) {
        return Unexpected{std::string("the seat's keymap could not be compiled")};
    }
    return finish(std::move(keyboard));
}

Expected<XkbKeyboard, std::string> XkbKeyboard::finish(XkbKeyboard keyboard) {
    keyboard.state_.reset(xkb_state_new(keyboard.keymap_.get()));
    char* text = xkb_keymap_get_as_string(keyboard.keymap_.get(), XKB_KEYMAP_FORMAT_TEXT_V1);
    if (!keyboard.state_ || text == nullptr) {
        std::free(text);
        return Unexpected{std::string("the keymap could not be written out")};
    }
    keyboard.text_.assign(text);
    keyboard.text_.push_back('\0');
    std::free(text);
    return keyboard;
}

std::optional<uint32_t> XkbKeyboard::evdevCodeOf(xkb_keysym_t keysym) const {
    const xkb_keycode_t last = xkb_keymap_max_keycode(keymap_.get());
    // The first layout first; a layout without Latin letters (say "ru,us") has V in another.
    for (xkb_layout_index_t layout = 0; layout < xkb_keymap_num_layouts(keymap_.get()); ++layout) {
        for (xkb_keycode_t key = xkb_keymap_min_keycode(keymap_.get()); key <= last; ++key) {
            const xkb_keysym_t* symbols = nullptr;
            if (key >= kEvdevOffset &&
                xkb_keymap_key_get_syms_by_level(keymap_.get(), key, layout, 0, &symbols) > 0 &&
                symbols[0] == keysym) {
                return key - kEvdevOffset;
            }
        }
    }
    return std::nullopt;
}

XkbKeyboard::Modifiers XkbKeyboard::update(uint32_t evdevCode, bool pressed) {
    xkb_state_update_key(state_.get(), evdevCode + kEvdevOffset,
                         pressed ? XKB_KEY_DOWN : XKB_KEY_UP);
    return {xkb_state_serialize_mods(state_.get(), XKB_STATE_MODS_DEPRESSED),
            xkb_state_serialize_mods(state_.get(), XKB_STATE_MODS_LATCHED),
            xkb_state_serialize_mods(state_.get(), XKB_STATE_MODS_LOCKED),
            xkb_state_serialize_layout(state_.get(), XKB_STATE_LAYOUT_EFFECTIVE)};
}

}  // namespace nabbit
