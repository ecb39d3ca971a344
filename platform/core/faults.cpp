// Fault injection: the Nth call of a named platform operation fails with a
// chosen code. Each fault counts the calls of its operation from the moment
// it was added, so a test can aim at "the next call" at any point.
#include <cstring>
#include <string>
#include <vector>

#include "backend.h"
#include "core_internal.h"

namespace pf::core {
namespace {

struct Fault {
    std::string operation;
    unsigned remaining;  // calls still to pass before the failing one
    int32_t code;
};

std::vector<Fault> Faults;

}  // namespace

void AddFault(const char* operation, unsigned n, int32_t code) {
    if (operation == nullptr || n == 0) return;
    Faults.push_back({operation, n, code});
}

void ClearFaults() { Faults.clear(); }

void ResetFaults() { Faults.clear(); }

bool FaultDue(const char* operation, int32_t* code) {
    if (Faults.empty() || operation == nullptr) return false;
    bool due = false;
    int32_t dueCode = 0;
    for (auto it = Faults.begin(); it != Faults.end();) {
        if (std::strcmp(it->operation.c_str(), operation) != 0) {
            ++it;
            continue;
        }
        if (--it->remaining == 0) {
            if (!due) {
                due = true;
                dueCode = it->code;
            }
            it = Faults.erase(it);
        } else {
            ++it;
        }
    }
    if (due && code != nullptr) *code = dueCode;
    return due;
}

}  // namespace pf::core
