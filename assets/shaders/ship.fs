#version 330

// Stand-in: plain vertex colour times tint until the real effect lands.
in vec2 fragTexCoord;
in vec4 fragColor;

uniform vec4 colDiffuse;

out vec4 finalColor;

void main()
{
    finalColor = fragColor * colDiffuse;
}
