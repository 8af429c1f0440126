// Entry, start-up and shutdown.
#pragma once

#include "raylib.h"

// The scene-shader job handed to the preparation worker: path in, two programs out.
struct SceneShaderJob {
    char path[2048];     // scene shader path, resolved by the embedded-asset hook
    Shader slots[2];     // [0] interior (ENABLE_CANYON 0), [1] canyon; id 0 while empty
    void *context;       // hidden GLFW window whose context the worker uses; null on the main thread
};

// The process entry: reads the command line, runs the chosen mode, returns the exit status.
int StartupMain(int argc, char **argv);
// Draws the loading screen once with a Russian message.
void StartupDrawLoading(const char *message);
// Compiles both scene-shader variants, on a hidden shared context if possible; false if the
// window was asked to close meanwhile.
bool StartupPrepareSceneShaders(SceneShaderJob &job);
