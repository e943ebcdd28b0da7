// The PDF names the plug-in uses, as atoms made once at init.
#pragma once
#include "host/astypes.h"

struct GlimmersetAtoms {
  ASAtom Type, Image, Subtype, ZNTUAltSet, Alternates, BitsPerComponent, Width, Height, Length, Filter, XObject,
      ColorSpace, ImageMask, FlateDecode, DCTDecode, ZNTUAltSetName, DeviceGray, DeviceRGB, DeviceCMYK, CalGray,
      CalRGB, Lab, ICCBased, Separation, DeviceN, Indexed, Pattern;
};

extern GlimmersetAtoms gAtoms;

// Raises (a host raise) when the host cannot make an atom.
void InitAtoms();
