/*
** omsgssev.cpp
**   Severity watch of a run: the count of error messages in a shared page
**   (contract in common/omsgssev.h).
*/
#include "common/omsgssev.h"

#include <sys/mman.h>

#include <atomic>

#include "common/omsgs.h"
#include "common/oreason.h"

namespace {

alignas(8) int64_t gllOwn = 0;               /* the count of this process when no page is mapped */
int64_t *gpllShared = nullptr;       /* the count in the shared page, or NULL */

bool _sevUpper(char c) { return c >= 'A' && c <= 'Z'; }
bool _sevDigit(char c) { return c >= '0' && c <= '9'; }

int64_t &_sevCount(void) { return gpllShared != nullptr ? *gpllShared : gllOwn; }

}  // namespace

int omsgssevStart(void)
{
  if (gpllShared == nullptr) {
    void *p = mmap(nullptr, sizeof(int64_t), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED) {
      std::atomic_ref<int64_t>(gllOwn).store(0);
      return ORC_NOMEM;
    }
    gpllShared = static_cast<int64_t *>(p);
  }
  std::atomic_ref<int64_t>(*gpllShared).store(0);
  return 0;
}

char omsgssevSeverity(const char *pcText, size_t ulLength)
{
  if (pcText == nullptr || ulLength < 8) return 0;
  for (int i = 0; i < 3; i++)
    if (!_sevUpper(pcText[i])) return 0;
  for (int i = 3; i < 7; i++)
    if (!_sevUpper(pcText[i]) && !_sevDigit(pcText[i])) return 0;
  char cSeverity = pcText[7];
  if (cSeverity != 'I' && cSeverity != 'W' && cSeverity != 'E' && cSeverity != 'S' && cSeverity != 'F') return 0;
  if (ulLength > 8 && pcText[8] != ' ' && pcText[8] != '\n' && pcText[8] != '\0') return 0;
  return cSeverity;
}

void omsgssevNote(const char *pcText, size_t ulLength)
{
  char cSeverity = omsgssevSeverity(pcText, ulLength);
  if (cSeverity == 'E' || cSeverity == 'S' || cSeverity == 'F')
    std::atomic_ref<int64_t>(_sevCount()).fetch_add(1);
}

int64_t omsgssevErrors(void)
{
  return std::atomic_ref<int64_t>(_sevCount()).load();
}

int omsgssevEndCode(void)
{
  if (omsgsCentreLost()) return OMSGS_RC_LOST;
  return omsgssevErrors() > 0 ? OMSGSSEV_RC_ERRORS : 0;
}
