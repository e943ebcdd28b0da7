// Modeless palettes shown as one group: opened together, docked together,
// placed where the user left them, told together of the tool's page view,
// and closed together when one of them closes.
#pragma once
#include <list>
#include <string>

#include "common/CAcroADMDialog.h"
#include "common/CSafeAlloc.h"
#include "pageboxes/Subject.h"

class ADMDialogGroup;

// The base of every member palette. The host reaches a palette with
// nothing of the plug-in below it: what its init, notify, draw and destroy
// procedures throw becomes a note, and the palette stays open.
class GroupedADMDialog : public CAcroADMDialog, public Subject, public CSafeAlloc {
 public:
  GroupedADMDialog();
  // Stores its placement and leaves its group, which closes the others.
  ~GroupedADMDialog() override;
  GroupedADMDialog(const GroupedADMDialog&) = delete;
  GroupedADMDialog& operator=(const GroupedADMDialog&) = delete;

  // Answers non-zero when anything was thrown.
  ADMErr Init() override;
  void Draw(ADMDrawerRef drawer) override;
  // The close box deletes the palette, which closes the whole group.
  void Notify(ADMNotifierRef notifier) override;
  void Destroy() override;
  bool Validate() override { return true; }
  // The active tool's: a palette opened with a tool leaves its cursor showing.
  ASInt32 ReadyCursor() override;

  // Creates the palette's window modelessly; whether it was created.
  virtual bool DoModeless(ASInt32 style, ASInt32 options) = 0;
  // The tool moved to this page view (none: unbound).
  virtual void OnGroupNotify(AVPageView view);
  virtual void SetGroup(ADMDialogGroup* group);

  ADMDialogGroup* Group() const { return group_; }
  bool Opened() const { return opened_; }

 protected:
  // Creates the dialog from template `id` under `name` and shows it.
  bool OpenModeless(const char* name, ASInt32 id, ASInt32 style, ASInt32 options);

 private:
  void LeaveGroup();
  static void GroupedDrawProc(ADMDialogRef dialog, ADMDrawerRef drawer);
  static void GroupedNotifyProc(ADMDialogRef dialog, ADMNotifierRef notifier);

  ADMDialogGroup* group_ = nullptr;
  bool opened_ = false;  // its init answered 0
};

// The general group. It owns its members and deletes them when it closes.
class ADMDialogGroup : public CSafeAlloc {
 public:
  // `name`: the front part of the members' identifiers that the keys of
  // their stored placements leave out.
  explicit ADMDialogGroup(const char* name);
  // Deletes every member without closing it first.
  virtual ~ADMDialogGroup();
  ADMDialogGroup(const ADMDialogGroup&) = delete;
  ADMDialogGroup& operator=(const ADMDialogGroup&) = delete;

  // Creates and places every member; false when one did not open (those
  // after it stay unopened).
  virtual bool OpenAll(ASInt32 style, ASInt32 options);
  // Closes and deletes every member.
  virtual bool CloseAll();
  // False for none or a member already; the first becomes the main dialog.
  virtual bool AddDialog(GroupedADMDialog* dialog);
  // Takes the dialog out, then closes the rest of the group.
  virtual void RemoveDialog(GroupedADMDialog* dialog);
  virtual void NotifyAll(AVPageView view);
  // Stores the dialog's placement as "Dialog|" + short name + "|Bounds".
  virtual void SaveBounds(GroupedADMDialog* dialog);

  GroupedADMDialog* MainDialog() const { return main_; }
  ASUns32 Count() const { return count_; }
  bool HasMembers() const { return count_ != 0; }
  const std::list<GroupedADMDialog*>& Members() const { return members_; }
  // The preference key of a dialog's placement.
  std::string BoundsKey(GroupedADMDialog* dialog) const;

 private:
  void RemoveAll(bool destroyFirst);

  GroupedADMDialog* main_ = nullptr;
  std::list<GroupedADMDialog*> members_;
  ASUns32 count_ = 0;
  bool closing_ = false;
  std::string name_;
  // The docking group OpenAll found: while it exists only the main
  // dialog's placement is stored.
  ADMDialogGroupRef docking_ = nullptr;
};
