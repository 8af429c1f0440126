#version 330

// Canyon rock: chunk vertices are already in world space (identity model transform).
in vec3 vertexPosition;
in vec2 vertexTexCoord;   // the column's foot on the rim: erosion coordinates
in vec3 vertexNormal;
in vec4 vertexColor;      // grey tint

uniform mat4 mvp;

out vec3 fragPosition;
out vec3 fragNormal;
out vec2 fragFoot;
out vec4 fragColor;

void main()
{
    fragPosition = vertexPosition;
    fragNormal = vertexNormal;
    fragFoot = vertexTexCoord;
    fragColor = vertexColor;
    gl_Position = mvp * vec4(vertexPosition, 1.0);
}
