#include "platform/ui_services.h"

#include <iterator>

namespace quendel::platform {

int DefaultAnswer(unsigned Flags) {
  static constexpr int kButtons[][3] = {
      {idOK, 0, 0},                    // mbOK
      {idOK, idCancel, 0},             // mbOKCancel
      {idAbort, idRetry, idIgnore},    // mbAbortRetryIgnore
      {idYes, idNo, idCancel},         // mbYesNoCancel
      {idYes, idNo, 0},                // mbYesNo
      {idRetry, idCancel, 0},          // mbRetryCancel
  };
  const unsigned type = Flags & 0xF;
  if (type >= std::size(kButtons)) return idOK;
  const unsigned def = (Flags >> 8) & 0xF;
  if (def < 3 && kButtons[type][def] != 0) return kButtons[type][def];
  return kButtons[type][0];
}

int TUnattendedUIServices::ShowMessageBox(const std::string& Text, const std::string& Caption,
                                      unsigned Flags) {
  const int answer = DefaultAnswer(Flags);
  if (FReport) FReport(Text, Caption, Flags, answer);
  return answer;
}

bool TUnattendedUIServices::SetBusyCursor(bool Busy) {
  const bool was = FBusy;
  FBusy = Busy;
  return was;
}

} // namespace quendel::platform
