#include <algorithm>

#include "forms/form.h"
#include "forms/observer.h"
#include "names.h"

namespace forms {

namespace {

template <class T>
void Erase(std::vector<T*>& list, T* item) {
  list.erase(std::remove(list.begin(), list.end(), item), list.end());
}

}  // namespace

TScreen& Screen() {
  static TScreen screen;
  return screen;
}

TForm* TScreen::FindForm(std::string_view name) const {
  for (TForm* form : forms_)
    if (SameName(form->Name(), name)) return form;
  return nullptr;
}

void TScreen::SetSize(int width, int height) {
  width_ = width;
  height_ = height;
}

void TScreen::AddObserver(Observer* observer) { observers_.push_back(observer); }
void TScreen::RemoveObserver(Observer* observer) { Erase(observers_, observer); }

void TScreen::Register(TForm* form) { forms_.push_back(form); }

void TScreen::Unregister(TForm* form) {
  Erase(forms_, form);
  Erase(zorder_, form);
}

void TScreen::BringToFront(TForm* form) {
  Erase(zorder_, form);
  zorder_.push_back(form);
}

void TScreen::RemoveFromZOrder(TForm* form) { Erase(zorder_, form); }

}  // namespace forms
