#version 330

// Encyclopedia specimen preview, vertex stage: hands the fragment stage the model-space point
// (the clay noise and the eyes are fixed to the model), the world point and the world normal.

in vec3 vertexPosition;
in vec3 vertexNormal;

uniform mat4 mvp;
uniform mat4 matModel;

out vec3 modelPoint;
out vec3 worldPoint;
out vec3 worldNormal;

void main()
{
    modelPoint = vertexPosition;
    worldPoint = (matModel * vec4(vertexPosition, 1.0)).xyz;
    // The model matrix scales uniformly, so its upper 3 x 3 turns normals as it turns points.
    worldNormal = mat3(matModel) * vertexNormal;
    gl_Position = mvp * vec4(vertexPosition, 1.0);
}
