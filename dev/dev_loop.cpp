#include "dev/dev_loop.h"

#include "world/soil.h"

bool DevLoopStart(DevLoop &loop, const DevLoopOptions &options)
{
    DevLoopRelease(loop);
    loop.seed = options.seed;
    loop.iteration = loop.frameCount = 0;
    loop.quit = false;
    loop.letterbox = {0.0f, 0.0f, DEV_LOOP_WIDTH, DEV_LOOP_HEIGHT};
    ProfileDefaults(loop.profile);
    InputSetGamepad(loop.profile.gamepad);
    MenuInit(loop.menu);
    if (!options.menus) MenuShow(loop.menu, MENU_SCREEN_PLAY);
    FieldControlsReset(loop.controls);
    loop.field.loop.campaign = options.campaign;
    loop.field.loop.immortal = options.immortal;
    FieldReset(loop.field, options.seed, &loop.profile);
    loop.field.loop.runActive = !options.menus;
    loop.flow = {&loop.menu, &loop.profile, options.menus, options.menus, false};
    if (options.soil) {
        if (!SoilCreate(loop.field.soil)) return false;
        SoilBindGround(&loop.field.soil);
        loop.soilBound = true;
    }
    loop.consistent = FrameCameraBasisConsistent(loop.field.camera);
    loop.firstInconsistent = loop.consistent ? -1 : 0;
    return true;
}

void DevLoopRelease(DevLoop &loop)
{
    if (loop.soilBound && SoilGround() == &loop.field.soil) SoilBindGround(nullptr);
    loop.soilBound = false;
    FieldRelease(loop.field);
}

MenuDevices DevLoopMenuDevices(const DevLoop &loop, const FrameInput &f)
{
    const InputDevices &pads = loop.controls.devices;
    MenuDevices d{};
    d.focused = f.focused;
    d.gamepad = InputIsGamepad();
    d.windowWidth = DEV_LOOP_WIDTH;
    d.windowHeight = DEV_LOOP_HEIGHT;
    d.mouse = f.mouse;
    d.mousePressed = f.mousePressed[0];
    d.mouseDown = f.mouseDown[0];
    d.wheel = f.wheel;
    d.keyPressed = f.keyPressed;
    d.keyDown = f.keyDown;
    d.keyRepeat = f.keyRepeat;
    d.keyCount = INPUT_KEY_LIMIT;
    d.padPressed = pads.pressed;
    d.padRepeat = pads.repeat;
    d.padCount = INPUT_PAD_BUTTONS;
    return d;
}

static void GameFrame(DevLoop &loop, bool menuTransition)
{
    FieldStepInput step{};
    step.input = &loop.input;
    step.menuTransition = menuTransition;
    step.letterbox = loop.letterbox;
    step.newRunSeed = loop.seed;
    step.profile = &loop.profile;
    loop.result = FieldStep(loop.field, loop.controls, step);
    FieldFlowAfterStep(loop.field, loop.flow, loop.result);
    if (loop.consistent && !FrameConsistent(loop.field)) {
        loop.consistent = false;
        loop.firstInconsistent = loop.frameCount;
    }
    loop.stepped = true;
    loop.frameCount++;
}

void DevLoopIterate(DevLoop &loop, const FrameInput &input)
{
    loop.input = input;
    loop.menuFrame = false;
    loop.stepped = false;
    loop.result = {};
    loop.menuAction = MENU_ACTION_NONE;
    loop.iteration++;
    if (loop.quit) return;

    FieldControlsEvents events = FieldControlsObserve(loop.controls, loop.input);
    if (events.modeChanged) loop.profile.gamepad = InputIsGamepad();
    FieldFlowChoice choice = FieldFlowChoose(loop.field, loop.controls, loop.flow, loop.input, loop.letterbox);
    if (!choice.menuFrame) {
        GameFrame(loop, false);
        return;
    }
    loop.menuFrame = true;
    MenuInput menuInput = MenuReadInput(loop.menu, DevLoopMenuDevices(loop, loop.input));
    FieldMenuResult r = FieldMenuStep(loop.field, loop.menu, loop.profile, loop.flow.pausedThisFrame,
                                      loop.flow.menuVisible, menuInput, loop.input.frameTime, loop.seed);
    loop.menuAction = r.action;
    if (r.changed.gamepad) InputSetGamepad(loop.profile.gamepad);
    if (r.action == MENU_ACTION_QUIT) loop.quit = true;
    if (r.closed) GameFrame(loop, true);
}
