// Every action of the plug-in is a command object: the menu items and the
// toolbar button carry one as client datum, and a batch job makes one. They
// live in the host's memory (`new` answers none when it has none).
#pragma once
#include "alternates/ImageOptions.h"
#include "common/CSafeAlloc.h"
#include "host/astypes.h"

class Command : public CSafeAlloc {
 public:
  Command() = default;
  Command(const Command&) = delete;
  Command& operator=(const Command&) = delete;
  virtual ~Command();
  virtual void Execute() = 0;
  virtual bool IsEnabled() { return AlwaysFalse(); }
  virtual bool IsMarked() { return false; }

 protected:
  static bool AlwaysFalse() { return false; }
  static bool AlwaysTrue() { return true; }
  // True while the host has a document open.
  static bool IsActiveDocument();
};

class AboutCommand : public Command {
 public:
  void Execute() override;
  bool IsEnabled() override { return AlwaysTrue(); }
};

// Flips the show flag that the drawing's replacement reads; it is not stored.
class ShowAlternatesCommand : public Command {
 public:
  void Execute() override;
  bool IsEnabled() override { return AlwaysTrue(); }
  bool IsMarked() override { return show_; }

 private:
  bool show_ = false;
};

// The image commands: a batch command works on its job's document without
// dialog, cursor or redraw; a menu's on the active document. The create and
// modify commands keep their option set, loaded when they are made.
class ImageCommand : public Command {
 public:
  bool IsEnabled() override { return IsActiveDocument(); }

 protected:
  ImageCommand(const char* set, bool batch, PDDoc doc) : options_(set), batch_(batch), doc_(doc) {}
  ImageOptions options_;
  bool batch_;
  PDDoc doc_;
};

class CreateAlternatesCommand : public ImageCommand {
 public:
  explicit CreateAlternatesCommand(bool batch = false, PDDoc doc = nullptr) : ImageCommand("ALTS", batch, doc) {}
  void Execute() override;
};

class ModifyImagesCommand : public ImageCommand {
 public:
  explicit ModifyImagesCommand(bool batch = false, PDDoc doc = nullptr) : ImageCommand("ORIG", batch, doc) {}
  void Execute() override;
};

class RemoveAlternatesCommand : public Command {
 public:
  explicit RemoveAlternatesCommand(bool batch = false, PDDoc doc = nullptr) : batch_(batch), doc_(doc) {}
  void Execute() override;
  bool IsEnabled() override { return IsActiveDocument(); }

 private:
  bool batch_;
  PDDoc doc_;
};

// Owns the wrapped command (none: not enabled, not marked, runs nothing).
class CommandWrapper : public Command {
 public:
  explicit CommandWrapper(Command* wrapped) : wrapped_(wrapped) {}
  ~CommandWrapper() override;
  void Execute() override;
  bool IsEnabled() override { return wrapped_ && wrapped_->IsEnabled(); }
  bool IsMarked() override { return wrapped_ && wrapped_->IsMarked(); }

 protected:
  Command* wrapped_;
};

// Runs the wrapped command only when the active document may be modified,
// asking for the password when the standard security handler can grant it.
class SecureCommand : public CommandWrapper {
 public:
  using CommandWrapper::CommandWrapper;
  void Execute() override;
};
