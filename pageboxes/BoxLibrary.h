// The box library: specifications (named box sets) grouped in publications.
// Only what the tool holds and the page record names is here so far: the
// sets' names and the lookup of a publication's specification by name.
#pragma once
#include <boost/shared_ptr.hpp>
#include <string>
#include <vector>

#include "pageboxes/PageBox.h"

class BoxLibrary {
 public:
  struct BoxSet {
    const std::string& Name() const { return name; }
    // The box under that name atom, or none.
    const PDFBox* FindBox(ASAtom key) const {
      for (const PDFBox& box : boxes)
        if (box.Key() == key) return &box;
      return nullptr;
    }

    std::string name;
    std::vector<PDFBox> boxes;  // sizes only: left and bottom 0
  };
  struct PublicationSet {
    const std::string& Name() const { return name; }

    std::string name;
    std::vector<boost::shared_ptr<BoxSet>> specifications;
  };

  bool Empty() const { return publications.empty(); }

  // The publication named `publication` and its specification named
  // `specification`; false, the pointers untouched, when there is none.
  bool Find(const std::string& publication, const std::string& specification,
            boost::shared_ptr<PublicationSet>* foundPublication, boost::shared_ptr<BoxSet>* foundSpecification) const;

  std::vector<boost::shared_ptr<PublicationSet>> publications;
};
