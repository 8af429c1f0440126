#version 330

// Ship meshes: hull, crystal and the effect quad. Positions and normals go to world space for
// the two-sided lighting; texture coordinates carry the material id or the effect's surface.
in vec3 vertexPosition;
in vec2 vertexTexCoord;
in vec3 vertexNormal;
in vec4 vertexColor;

uniform mat4 mvp;
uniform mat4 matModel;

out vec2 fragTexCoord;
out vec4 fragColor;
out vec3 fragNormal;

void main()
{
    fragTexCoord = vertexTexCoord;
    fragColor = vertexColor;
    // Model matrices here rotate, translate and scale uniformly, so mat3 keeps normals upright.
    fragNormal = mat3(matModel) * vertexNormal;
    gl_Position = mvp * vec4(vertexPosition, 1.0);
}
