// A rectangle read from a four-number box array, put in order.
#pragma once

class MyCosObj;

class CosRect {
 public:
  // Anything but a four-element array gives an invalid all-zero rectangle;
  // an element that is not a number throws from MyCosObj::operator double().
  explicit CosRect(const MyCosObj& array);

  void Normalize();
  // Edges included; false when either rectangle is invalid.
  bool Contains(const CosRect& inner);

  double left = 0, bottom = 0, right = 0, top = 0;
  bool valid = false;
};
