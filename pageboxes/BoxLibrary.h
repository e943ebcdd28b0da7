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
    std::string name;
    std::vector<PDFBox> boxes;  // sizes only: left and bottom 0

    // The box under that name atom, or none.
    PDFBox* FindBox(ASAtom name) {
      for (PDFBox& box : boxes)
        if (box.Key() == name) return &box;
      return nullptr;
    }
  };
  struct PublicationSet {
    std::string name;
    std::vector<boost::shared_ptr<BoxSet>> specifications;
  };

  // The publication named `publication` and its specification named
  // `specification`; false, the pointers untouched, when there is none.
  bool Find(const std::string& publication, const std::string& specification,
            boost::shared_ptr<PublicationSet>* foundPublication, boost::shared_ptr<BoxSet>* foundSpecification) const;

  std::vector<boost::shared_ptr<PublicationSet>> publications;
};
