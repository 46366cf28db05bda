#pragma once
// The dialog's side of the "IdleAnimation" setting. Stateless: every call opens the
// settings key, reads or writes the one value and closes it again.

class SettingsStore {
 public:
  // 1 when the idle animation is on (also when nothing readable is stored), 0 when off.
  int LoadIdleAnimation() const;
  // Stores `value` as decimal text; a failure is ignored.
  void SaveIdleAnimation(int value) const;
};

extern SettingsStore settings_store;
