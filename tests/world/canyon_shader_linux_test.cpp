// The canyon program as the driver will see it: both stages from the embedded files, compiled
// and reflected by glslangValidator. A uniform the optimiser drops makes CanyonInit fail, so the
// required ones must stay active. Needs glslangValidator on the PATH (Debian: glslang-tools).
#include "app/assets.h"
#include "raylib.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>

namespace {

struct Reflection {
    bool ran = false;
    std::string log;
    std::set<std::string> uniforms;   // default-block uniforms
    std::set<std::string> inputs;     // pipeline inputs
};

Reflection Reflect(const char *asset, const char *stage)
{
    Reflection r;
    char *text = AssetLoadText(asset);
    if (!text) return r;
    char path[] = "/tmp/glorvent-canyon-XXXXXX.glsl";
    int fd = mkstemps(path, 5);
    if (fd < 0) {
        MemFree(text);
        return r;
    }
    FILE *f = fdopen(fd, "w");
    fputs(text, f);
    fclose(f);
    MemFree(text);
    std::string command = std::string("glslangValidator -S ") + stage + " -l -q " + path + " 2>&1";
    FILE *pipe = popen(command.c_str(), "r");
    if (!pipe) {
        remove(path);
        return r;
    }
    enum { NONE, UNIFORMS, INPUTS } section = NONE;
    char line[1024];
    while (fgets(line, sizeof(line), pipe)) {
        r.log += line;
        if (strncmp(line, "Uniform reflection:", 19) == 0) section = UNIFORMS;
        else if (strncmp(line, "Pipeline input reflection:", 26) == 0) section = INPUTS;
        else if (line[0] == '\n' || strstr(line, "reflection:")) section = NONE;
        const char *colon = strchr(line, ':');
        if (section == NONE || !colon || strstr(line, "reflection:")) continue;
        std::string name(line, (size_t)(colon - line));
        if (section == UNIFORMS) r.uniforms.insert(name);
        else r.inputs.insert(name);
    }
    r.ran = pclose(pipe) == 0;
    remove(path);
    return r;
}

bool ValidatorMissing() { return std::system("glslangValidator --version >/dev/null 2>&1") != 0; }

}  // namespace

TEST(CanyonShader, CompilesWithItsRequiredUniformsActive)
{
    if (ValidatorMissing()) GTEST_SKIP() << "glslangValidator not installed";
    Reflection vertex = Reflect("assets/shaders/canyon.vs", "vert");
    ASSERT_TRUE(vertex.ran) << vertex.log;
    EXPECT_EQ(vertex.uniforms, (std::set<std::string>{"mvp"}));
    // raylib binds mesh attributes by these names.
    EXPECT_EQ(vertex.inputs, (std::set<std::string>{"vertexPosition", "vertexTexCoord", "vertexNormal", "vertexColor"}));

    Reflection fragment = Reflect("assets/shaders/canyon.fs", "frag");
    ASSERT_TRUE(fragment.ran) << fragment.log;
    EXPECT_EQ(fragment.uniforms, (std::set<std::string>{"cameraPosition", "cameraTarget"}));
}
