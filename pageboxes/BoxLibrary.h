// The box library: specifications (named sets of box sizes) grouped in
// publications. The library owns the publications, each publication its
// specifications; a rename reaches the containers' maps through the
// observer links. Saved as "BoxLibrary|..." values of the preference store.
#pragma once
#include <boost/shared_ptr.hpp>
#include <boost/weak_ptr.hpp>
#include <map>
#include <string>
#include <vector>

#include "common/CSafeAlloc.h"
#include "host/astypes.h"
#include "pageboxes/PageBox.h"
#include "pageboxes/Subject.h"

class BoxLibrary : public Observer {
 public:
  // Gives each new specification or publication the next serial number of
  // the process; numbers are never reused, not even of sets dropped again.
  class SetBase {
   public:
    SetBase() : serial_(counter_++) {}
    ASInt32 Serial() const { return serial_; }
    // The number the next set will take.
    static ASInt32 Counter() { return counter_; }

   private:
    ASInt32 serial_;
    static ASInt32 counter_;
  };

  class PublicationSet;

  // A specification: at most one box per name atom, each holding a size
  // (left and bottom 0), never a position.
  class BoxSet : public SetBase, public CSafeAlloc, public Subject {
   public:
    const std::string& Name() const { return name_; }
    // Renames and notifies, so that the publication re-keys it.
    void Rename(const std::string& name);
    std::vector<PDFBox>& Boxes() { return boxes_; }
    const std::vector<PDFBox>& Boxes() const { return boxes_; }
    PDFBox* FindBox(ASAtom key);
    const PDFBox* FindBox(ASAtom key) const;
    // The box of that key; a missing one is added enabled, locked and of
    // size 0. The reference lasts until the next box is added.
    PDFBox& GetBox(ASAtom key);
    // Shared references from the weak ones; boost::bad_weak_ptr when the
    // set has gone.
    boost::shared_ptr<PublicationSet> Publication() const { return boost::shared_ptr<PublicationSet>(publication_); }
    boost::shared_ptr<BoxSet> Self() const { return boost::shared_ptr<BoxSet>(self_); }

   private:
    friend class PublicationSet;
    friend class BoxLibrary;
    BoxSet() = default;
    std::string name_;
    std::vector<PDFBox> boxes_;
    boost::weak_ptr<BoxSet> self_;
    boost::weak_ptr<PublicationSet> publication_;
  };

  class PublicationSet : public SetBase, public CSafeAlloc, public Observer, public Subject {
   public:
    typedef std::map<std::string, boost::shared_ptr<BoxSet>> ByName;

    const std::string& Name() const { return name_; }
    // Renames and notifies, so that the library re-keys it.
    void Rename(const std::string& name);
    // In the order they were added: the dialog's and the stored order.
    const std::vector<boost::shared_ptr<BoxSet>>& Specifications() const { return specifications_; }
    const ByName& SpecificationsByName() const { return byName_; }
    // The specification of that name, made and appended when missing.
    boost::shared_ptr<BoxSet> GetSpecification(const std::string& name);
    boost::shared_ptr<PublicationSet> Self() const { return boost::shared_ptr<PublicationSet>(self_); }
    // A renamed specification is entered again under its new name.
    void Update(Subject* subject, bool subjectDying) override;

   private:
    friend class BoxLibrary;
    PublicationSet() = default;
    std::string name_;
    std::vector<boost::shared_ptr<BoxSet>> specifications_;
    ByName byName_;
    boost::weak_ptr<PublicationSet> self_;
  };

  typedef std::map<std::string, boost::shared_ptr<PublicationSet>> ByName;

  BoxLibrary() = default;
  ~BoxLibrary() override;
  BoxLibrary(const BoxLibrary&) = delete;
  BoxLibrary& operator=(const BoxLibrary&) = delete;

  bool Empty() const { return publications_.empty(); }
  // By name, byte-wise: the order of saving.
  const ByName& Publications() const { return publications_; }
  // The publication of that name, made when missing.
  boost::shared_ptr<PublicationSet> GetPublication(const std::string& name);
  // The specification (made when missing) gets an enabled, locked bleed,
  // trim and art box of the given sizes in inches.
  boost::shared_ptr<BoxSet> NewBoxSet(const std::string& publication, const std::string& specification,
                                      float bleedWidth, float bleedHeight, float trimWidth, float trimHeight,
                                      float artWidth, float artHeight);
  void RemoveSpecification(const boost::shared_ptr<BoxSet>& specification);
  void RemovePublication(const boost::shared_ptr<PublicationSet>& publication);
  // A renamed publication is entered again under its new name; one that
  // had that name already leaves the library.
  void Update(Subject* subject, bool subjectDying) override;

  // The publication named `publication` and its specification named
  // `specification`; false, the pointers untouched, when there is none.
  bool Find(const std::string& publication, const std::string& specification,
            boost::shared_ptr<PublicationSet>* foundPublication, boost::shared_ptr<BoxSet>* foundSpecification) const;

 private:
  ByName publications_;
};

// Exact, case-sensitive names.
bool HasPublicationNamed(const BoxLibrary& library, const std::string& name);
bool HasSpecificationNamed(const BoxLibrary::PublicationSet& publication, const std::string& name);

// The library in the plug-in's own preference section. The save replaces
// every "BoxLibrary" value; the load does nothing unless the library is empty.
void SaveBoxLibrary(const BoxLibrary& library);
void LoadBoxLibrary(BoxLibrary& library);
