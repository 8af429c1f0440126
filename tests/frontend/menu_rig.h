// A menu in a window, driven frame by frame the way the loop drives it; shared by the front-end
// tests.
#pragma once

#include "frontend/menu.h"

#include <string>

// A menu in a 1280 x 720 window, where window and canvas coordinates coincide.
struct MenuRig {
    MenuState menu;
    Profile profile;
    bool runActive = false;
    float dt = 1.0f / 60.0f;

    MenuRig()
    {
        MenuInit(menu);
        ProfileDefaults(profile);
    }

    // Nothing pressed; the mouse where it was.
    MenuInput Idle() const
    {
        MenuInput in{};
        in.windowWidth = 1280.0f;
        in.windowHeight = 720.0f;
        in.pointer = in.mouse = menu.mouse;
        return in;
    }
    int Frame(const MenuInput &in) { return MenuUpdate(menu, profile, runActive, dt, in); }
    int Idle(int frames)
    {
        int action = 0;
        for (int i = 0; i < frames; i++) action |= Frame(Idle());
        return action;
    }
    int MoveTo(Vector2 p)
    {
        MenuInput in = Idle();
        in.pointer = in.mouse = p;
        return Frame(in);
    }
    int Click(Vector2 p)
    {
        MenuInput in = Idle();
        in.pointer = in.mouse = p;
        in.pressed = in.held = true;
        return Frame(in);
    }
    int Click(Rectangle r) { return Click(Vector2{r.x + 0.5f * r.width, r.y + 0.5f * r.height}); }
    // The button held down (pressed in an earlier frame) with the mouse at p.
    int Hold(Vector2 p)
    {
        MenuInput in = Idle();
        in.pointer = in.mouse = p;
        in.held = true;
        return Frame(in);
    }
    int Back()
    {
        MenuInput in = Idle();
        in.back = true;
        return Frame(in);
    }
    int Accept()
    {
        MenuInput in = Idle();
        in.accept = true;
        return Frame(in);
    }
    int Step(int x, int y, int tab = 0)
    {
        MenuInput in = Idle();
        in.stepX = x;
        in.stepY = y;
        in.tab = tab;
        return Frame(in);
    }
    std::string Focused() const
    {
        MenuFocusItem list[MENU_FOCUS_CAPACITY];
        int n = MenuFocusList(menu, profile, list);
        return n > 0 && menu.focusIndex >= 0 && menu.focusIndex < n ? list[menu.focusIndex].label : "";
    }
};

inline Rectangle MainButton(int id) { return MENU_MAIN_BUTTONS[id - MENU_ID_PLAY].rect; }
inline Rectangle PauseButton(int id) { return MENU_PAUSE_BUTTONS[id - MENU_ID_PAUSE_PLAY].rect; }

