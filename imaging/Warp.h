// Image warps applied in place to a floating-point image: a whole-pixel
// shift, a rotation about the image centre and a radial (barrel or
// pincushion) distortion, the last two with bilinear interpolation in the
// image's physical coordinates (x to the right, y up, origin at the centre).
//
// Each warp computes into a zero-filled scratch image of the same size and
// copies it back over the pixels; without pixels, or when the scratch image
// cannot be had, the image is left exactly as it was. No warp touches the
// value range (minValue, maxValue): a view keeps its grey window.
#pragma once

#include <cstdint>

namespace voxmill {

class CSurface;

// Moves the picture dx pixels to the right and dy pixels up (toward row 0):
// output (row r, column c) = input (r + dy, c - dx), 0 where that falls
// outside. Nothing happens when |dx| > width or |dy| > height.
void Shift(CSurface& image, std::int32_t dx, std::int32_t dy);

// Turns the picture counter-clockwise by `degrees` about the image centre
// (a negative angle turns it clockwise). The angle becomes radians with
// pi = 3.14159265359 and 1/180 = 0.005555555555555556, cosine and sine are
// rounded to float, and each output pixel centre (x, y) samples the input at
// (c x + s y, c y - s x). Only points strictly inside the outer pixel
// centres are sampled, so even 0 degrees clears the outermost rows and
// columns; a point in the last row or column takes the mean of its corner
// pixels, any other the bilinear blend of its four neighbours (in double,
// stored as float).
void Rotate(CSurface& image, double degrees);

// Radial distortion about the image centre, along X, Y or both. With R the
// half diagonal of the image over the chosen axes (half the width for X
// only, half the height for Y only), r^2 = (x^2 [X] + y^2 [Y]) / R^2 and
// k = SpherizeCoefficient(amount), the output at (x, y) samples the input at
//     xs = x (1 + k r^2) along X (else x),  ys = y (1 + k r^2) along Y (else y)
// bilinearly; points outside the outer pixel centres give 0. A positive
// amount bulges the centre out (barrel, the classic spherize; at 100 the
// image corner samples two thirds of its radius and the mapping is still
// one-to-one), a negative amount pinches it (pincushion): what corrects the
// pincushion distortion of an image-intensifier camera. Amount 0, or
// neither axis, leaves the image bit for bit as it was.
void Spherize(CSurface& image, std::int32_t amount, bool alongX, bool alongY);

// k = -amount / 300: amounts -100 ... 100 give k = 1/3 ... -1/3.
double SpherizeCoefficient(std::int32_t amount);

}  // namespace voxmill
