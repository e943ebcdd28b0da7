#include "pageboxes/Subject.h"

#include <vector>

Subject::Notifier::~Notifier() {
  if (changed && subject) subject->Notify();
}

Subject::~Subject() {
  // Walk a copy: an Update may destroy another of the observers.
  std::vector<Observer*> observers(observers_.begin(), observers_.end());
  for (Observer* o : observers) {
    if (!observers_.count(o)) continue;
    o->Update(this, true);
    o->subjects_.erase(this);
  }
  observers_.clear();
}

void Subject::Attach(Observer* observer) {
  if (!observer) return;
  observers_.insert(observer);
  observer->subjects_.insert(this);
}

void Subject::Detach(Observer* observer, bool observerDying) {
  observers_.erase(observer);
  if (!observerDying && observer) observer->subjects_.erase(this);
}

void Subject::Notify() {
  // Depth-first: an Update may notify other subjects, or destroy another of
  // this subject's observers, before this loop goes on.
  std::vector<Observer*> observers(observers_.begin(), observers_.end());
  for (Observer* o : observers)
    if (observers_.count(o)) o->Update(this, false);
}

Observer::~Observer() {
  std::vector<Subject*> subjects(subjects_.begin(), subjects_.end());
  for (Subject* s : subjects) s->Detach(this, true);
  subjects_.clear();
}
