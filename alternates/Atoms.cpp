#include "alternates/Atoms.h"

#include "host/calls.h"

GlimmersetAtoms gAtoms;

void InitAtoms() {
  struct Entry {
    ASAtom* atom;
    const char* text;
  };
  GlimmersetAtoms& a = gAtoms;
  const Entry entries[] = {
      {&a.Type, "Type"},
      {&a.Image, "Image"},
      {&a.Subtype, "Subtype"},
      {&a.ZNTUAltSet, "ZNTUAltSet"},
      {&a.Alternates, "Alternates"},
      {&a.BitsPerComponent, "BitsPerComponent"},
      {&a.Width, "Width"},
      {&a.Height, "Height"},
      {&a.Length, "Length"},
      {&a.Filter, "Filter"},
      {&a.XObject, "XObject"},
      {&a.ColorSpace, "ColorSpace"},
      {&a.ImageMask, "ImageMask"},
      {&a.FlateDecode, "FlateDecode"},
      {&a.DCTDecode, "DCTDecode"},
      {&a.ZNTUAltSetName, "ZNTUAltSetName"},
      {&a.DeviceGray, "DeviceGray"},
      {&a.DeviceRGB, "DeviceRGB"},
      {&a.DeviceCMYK, "DeviceCMYK"},
      {&a.CalGray, "CalGray"},
      {&a.CalRGB, "CalRGB"},
      {&a.Lab, "Lab"},
      {&a.ICCBased, "ICCBased"},
      {&a.Separation, "Separation"},
      {&a.DeviceN, "DeviceN"},
      {&a.Indexed, "Indexed"},
      {&a.Pattern, "Pattern"},
  };
  for (const Entry& e : entries) *e.atom = ASAtomFromString(e.text);
}
