// ColorRGBA: four floats red, green, blue, alpha, handed to the platform
// unchanged as clear and text colours.
#pragma once

struct ColorRGBA {
  float r;
  float g;
  float b;
  float a;
};
