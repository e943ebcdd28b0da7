// Repairs of embedded ICC profiles: the profile of the record is changed in
// memory and written back into the document as a new stream.
#pragma once
#include "engine/Fixer.h"
#include "engine/ICCProfile.h"

namespace Zentu {

class ICCProfileFixer : public Fixer {
 public:
  ICCProfileFixer();
  ~ICCProfileFixer() override;
  // Points the profile member at the record's profile stream (its container
  // node) and ICCBased array (its object node), changes it and writes it
  // back; the old stream goes to the walker's clean-up, which points every
  // other user of it at the new one before destroying it.
  int FixIt(FixContext& context, bool interactive) override;

 protected:
  virtual bool ModifyProfile(bool interactive) = 0;

  // One profile for the fixer's life, re-targeted by every repair.
  ICCProfile profile_;
};

// An unreadable profile becomes the built-in one of its number of components.
class ReplaceProfileFixer : public ICCProfileFixer {
 public:
  ~ReplaceProfileFixer() override;

 protected:
  bool ModifyProfile(bool interactive) override;
};

}  // namespace Zentu
