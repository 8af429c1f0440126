// Specimens of the encyclopedia: the clay models its previews turn. Specimens 0..3 are one fresh
// creature of the mudling simulation each (bun, walker, golem, roller) posed at the origin, and
// specimen 4 is a clay question mark. Each is the zero surface of a signed distance field (negative
// inside), sampled on a 49 x 57 x 37 grid and polygonised by marching tetrahedra into unshared
// triangles with field-gradient normals.
//
// Pure: building allocates only its own sampling grid and vertex list (heap, freed with
// SpecimenMeshFree); the GPU side is encyclopedia_gpu.cpp.
#pragma once

#include "mud/mud_pool.h"
#include "raylib.h"

#include <cstdint>

constexpr int SPECIMEN_COUNT = 5;
constexpr int SPECIMEN_BUN = 0;
constexpr int SPECIMEN_WALKER = 1;
constexpr int SPECIMEN_GOLEM = 2;
constexpr int SPECIMEN_ROLLER = 3;
constexpr int SPECIMEN_QUESTION = 4;
constexpr int SPECIMEN_GRID_X = 49;
constexpr int SPECIMEN_GRID_Y = 57;
constexpr int SPECIMEN_GRID_Z = 37;
constexpr int SPECIMEN_SAMPLINGS = 4;            // a box still touched after this many is an error
constexpr float SPECIMEN_GROW = 0.35f;           // box growth per sampling, times R
constexpr int SPECIMEN_FIRST_VERTICES = 16384;   // the vertex list starts with room for this many
constexpr int SPECIMEN_TRIES = 2;                // a failed specimen or preview is tried once more, then given up

// What a specimen's field is made of, and where it is first sampled.
struct SpecimenSource {
    int kind;                  // SPECIMEN_*
    MudSlot slot;              // kinds 0..3: the creature posed at the origin
    MudLegPose legs;           // its leg pose (valid when hasLegs)
    bool hasLegs;
    Vector3 boxMin, boxMax;    // first sampling box
    float growStep;            // metres the box grows by when the surface touches it
    Vector3 headCenter;        // the shader's head frame: the body centre
    Vector3 headRadii;         // body scale x MudBodyScale
    float golem;               // golem growth, 0..1
    float hasEyes;             // 1 for bun, walker and golem
};

// A built specimen: unshared triangles (3 vertices each), positions and normals as xyz floats.
struct SpecimenMesh {
    float *positions;
    float *normals;
    int vertexCount;
    int capacity;              // vertices the arrays have room for
    Vector3 boundsMin, boundsMax;
    Vector3 centre;            // bounding-box centre
    float largestSide;         // largest bounding-box side
    int samplings;             // boxes sampled, 1..SPECIMEN_SAMPLINGS
    Vector3 headCenter, headRadii;   // the source's shading frame, carried to the preview
    float golem, hasEyes;
};

enum SpecimenResult : int {
    SPECIMEN_OK = 0,
    SPECIMEN_BAD_KIND,         // not 0..4, or the creature could not be made
    SPECIMEN_BOUNDARY,         // the surface still touched the box after the last sampling
    SPECIMEN_NO_MEMORY,        // the grid or the vertex list could not be allocated
    SPECIMEN_EMPTY,            // no surface inside the box
};

// Retry rule of a specimen or of the preview resources: tried at most SPECIMEN_TRIES times.
struct SpecimenGate {
    uint8_t tries;             // attempts made
    uint8_t ready;             // succeeded; never tried again
};

// [SECTION] Fields

// The clay question mark (hook, stem, dot): negative inside.
float SpecimenQuestionField(Vector3 p);
// A creature's body as the CPU sees it: ellipsoid, bun skirt and legs, blended; negative inside.
float SpecimenCreatureField(const SpecimenSource &source, Vector3 p);
// The specimen's field at a point.
float SpecimenField(const SpecimenSource &source, Vector3 p);

// [SECTION] Building

// Makes specimen k's source: spawns and poses its creature (the question mark takes the bun's
// frame and growth step). False for a kind outside 0..4 or a creature that could not be made.
bool SpecimenPrepare(int kind, SpecimenSource &source);
// Samples `source` on the grid (growing the box when the surface touches it) and polygonises it
// into `mesh`, which must be empty (zeroed or freed). On failure `mesh` is left empty.
SpecimenResult SpecimenPolygonise(const SpecimenSource &source, SpecimenMesh &mesh);
// SpecimenPrepare, then SpecimenPolygonise.
SpecimenResult SpecimenBuild(int kind, SpecimenMesh &mesh);
// Frees the arrays; the mesh is empty afterwards. Safe twice.
void SpecimenMeshFree(SpecimenMesh &mesh);

// [SECTION] Retry rule

// Whether another attempt may be made.
bool SpecimenGateMayTry(const SpecimenGate &gate);
// Records a failed attempt; true the first time only, when the caller logs its one line.
bool SpecimenGateFailed(SpecimenGate &gate);
// Builds specimen `source` under `gate`: nothing once ready or given up; the first failure logs
// one "BESTIARY:" line, a second failure gives up silently until the program ends.
// The caller marks the gate ready once the mesh is in use.
bool SpecimenBuildGated(const SpecimenSource &source, SpecimenGate &gate, SpecimenMesh &mesh);
// SpecimenPrepare and SpecimenBuildGated for specimen `kind` under the same rule.
bool SpecimenBuildKindGated(int kind, SpecimenGate &gate, SpecimenMesh &mesh);

// [SECTION] Previews (specimen_gpu.cpp: needs the window and GL)

constexpr int SPECIMEN_PREVIEW_WIDTH = 384;   // the offscreen target every preview is rendered into
constexpr int SPECIMEN_PREVIEW_HEIGHT = 320;

// The preview shader, its material and target, and the uploaded specimen meshes: made at
// start-up (or on first use), kept until shutdown. A failure is tried once more, then given up.
struct SpecimenPreviews {
    Shader shader;
    Material material;
    RenderTexture2D target;
    int locCameraEye, locHeadCenter, locHeadRadii, locGolem, locHasEyes;
    bool ready;                               // shader, material and target exist
    SpecimenGate gate;                        // ...and their retry rule
    Mesh mesh[SPECIMEN_COUNT];                // uploaded, static
    SpecimenMesh shape[SPECIMEN_COUNT];       // bounds and shading frame; no arrays kept
    SpecimenGate meshGate[SPECIMEN_COUNT];
    int buildBudget;                          // specimens that may still be built this frame
};

// Makes the preview resources and builds and uploads all five specimens; true when all exist.
// Failures are logged and left to the first draws' single retry.
bool SpecimenPreviewsCreate(SpecimenPreviews &previews);
// Releases everything; safe before create, after a failed one and twice.
void SpecimenPreviewsRelease(SpecimenPreviews &previews);
// A new frame: at most one specimen is built in it, so no frame waits for several.
void SpecimenPreviewsBeginFrame(SpecimenPreviews &previews);
// Renders entry's specimen (the question mark while undiscovered) turning at menu time `time`
// into the preview target and draws it into `box` (window pixels), centred and uniformly scaled.
// `clip` (window pixels, may be null) is the scissor in force, lifted for the offscreen pass.
// Nothing for a box under 1 pixel, an entry above 6 or resources that do not exist.
void SpecimenPreviewDraw(SpecimenPreviews &previews, int entry, bool discovered, Rectangle box, float time,
                         const Rectangle *clip);
