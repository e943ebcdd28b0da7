// A small observer pattern: a subject tells its observers that it changed.
// Each link is kept on both sides, so either side may be destroyed first.
// Notification is synchronous and depth-first; an observer must not detach
// itself from the notifying subject inside Update.
#pragma once
#include <set>

class Observer;

class Subject {
 public:
  // Bundles changes: whoever changes the subject sets `changed`, and the
  // subject notifies once when the notifier goes.
  class Notifier {
   public:
    explicit Notifier(Subject* subject) : subject(subject) {}
    virtual ~Notifier();
    Notifier(const Notifier&) = delete;
    Notifier& operator=(const Notifier&) = delete;

    Subject* subject;
    bool changed = false;
  };

  Subject() = default;
  // A copy has no observers of its own.
  Subject(const Subject&) {}
  Subject& operator=(const Subject&) { return *this; }
  virtual ~Subject();

  virtual void Attach(Observer* observer);
  virtual void Detach(Observer* observer, bool observerDying);
  virtual void Notify();

  bool IsAttached(const Observer* observer) const {
    return observers_.count(const_cast<Observer*>(observer)) > 0;
  }

 private:
  friend class Observer;
  std::set<Observer*> observers_;
};

class Observer {
 public:
  Observer() = default;
  Observer(const Observer&) {}
  Observer& operator=(const Observer&) { return *this; }
  virtual ~Observer();

  // `subjectDying`: the subject is being destroyed and must not be used.
  virtual void Update(Subject* subject, bool subjectDying) = 0;

  bool Watches(const Subject* subject) const { return subjects_.count(const_cast<Subject*>(subject)) > 0; }

 private:
  friend class Subject;
  std::set<Subject*> subjects_;
};
