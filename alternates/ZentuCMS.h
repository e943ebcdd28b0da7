// The plug-in's colour-management layer: one engine per process that makes
// profiles, transforms and pixel layouts, the handles the conversion uses
// them through, and the layer's exceptions. The only engine refuses every
// operation: colour conversion is not implemented.
#pragma once
#include <exception>
#include <string>

#include "host/astypes.h"

namespace ZentuCMS {

class CMSError : public std::exception {};
// Told to the user as it is.
class Unimplemented : public CMSError {
 public:
  const char* what() const noexcept override { return "Color conversion is not implemented."; }
};

// What a real engine's objects must provide.
class Profile {
 public:
  virtual void Description(std::string& out) = 0;
  virtual ASInt32 ComponentCount() = 0;
  virtual ASInt32 Family() = 0;  // 1 gray, 2 RGB, 3 Lab, 4 CMYK
  virtual ~Profile() = default;
};
class PixelLayout {
 public:
  virtual ~PixelLayout() = default;
};
class Transform {
 public:
  virtual void Apply(PixelLayout* source, PixelLayout* destination) = 0;
  virtual ~Transform() = default;
};

class Engine {
 public:
  virtual Transform* CreateTransform(const ASUns32* source, const ASUns32* destination) = 0;
  virtual PixelLayout* CreatePixelLayout(ASInt32 width, ASInt32 rows, const ASUns32* description,
                                         void* samples) = 0;
  virtual Profile* CreateProfile(const ASUns32* description) = 0;
  virtual ~Engine() = default;
  // Made on first use and kept; none when it could not be made.
  static Engine* Instance();
};

class DefaultEngine : public Engine {
 public:
  Transform* CreateTransform(const ASUns32*, const ASUns32*) override { throw Unimplemented(); }
  PixelLayout* CreatePixelLayout(ASInt32, ASInt32, const ASUns32*, void*) override { throw Unimplemented(); }
  Profile* CreateProfile(const ASUns32*) override { throw Unimplemented(); }
};

class ProfileRef {
 public:
  explicit ProfileRef(const ASUns32* description);
  ~ProfileRef();
  ProfileRef(const ProfileRef&) = delete;
  ProfileRef& operator=(const ProfileRef&) = delete;
  ASUns32 Description() const { return description_; }
  void GetData(std::string& out) { profile_->Description(out); }
  ASInt32 ComponentCount() { return profile_->ComponentCount(); }
  ASInt32 Kind() { return profile_->Family(); }

 private:
  ASUns32 description_;
  Profile* profile_ = nullptr;
};

// Asks the engine for both profiles at once, for the transform only at
// first use.
class TransformRef {
 public:
  TransformRef(ASUns32 source, ASUns32 destination) : source_(&source), destination_(&destination) {}
  ~TransformRef();
  TransformRef(const TransformRef&) = delete;
  TransformRef& operator=(const TransformRef&) = delete;
  Transform* Get();
  void Apply(PixelLayout* source, PixelLayout* destination);
  ProfileRef& DestinationProfile() { return destination_; }

 private:
  Transform* transform_ = nullptr;
  ProfileRef source_;
  ProfileRef destination_;
};

class PixelLayoutRef {
 public:
  PixelLayoutRef(ASInt32 width, ASInt32 rows, const ASUns32* description, void* samples);
  ~PixelLayoutRef();
  PixelLayoutRef(const PixelLayoutRef&) = delete;
  PixelLayoutRef& operator=(const PixelLayoutRef&) = delete;
  PixelLayout* Get() const { return layout_; }

 private:
  PixelLayout* layout_ = nullptr;
};

}  // namespace ZentuCMS

namespace zentucmstest {
// Puts `engine` in the default engine's place (none: the default again).
void SetEngine(ZentuCMS::Engine* engine);
}  // namespace zentucmstest
