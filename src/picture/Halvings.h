#pragma once

// How a zoom below 1 maps onto a picture's reduced copies, each half the
// size of the one before: the pictures paint from them, the view zooms over
// them.
namespace koordel::zoom {

// An A0 sheet scanned at 400 dpi (18724 pixels high) is 146 pixels high at
// this many halvings: whole in the smallest window.
inline constexpr int kMostHalvings = 7;

// How many times a view at `z` halves the picture: 0 from 1/2 up, and at
// most kMostHalvings. Reduced copies are made for that many halvings.
int halvings(double z);

}  // namespace koordel::zoom
