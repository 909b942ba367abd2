#pragma once

#include <string>
#include <vector>

#include "Corpus.h"
#include "parser/OTPParser.h"

namespace nabbit::test {

// How the parser does on one language's corpus: recall on the messages that carry a code
// (the exact code found), false positives on those that carry none (any code found), and
// agreement on the service where a line names one (counted over the codes found).
struct CorpusFigures {
    std::string language;
    int positives = 0;
    int found = 0;
    int negatives = 0;
    int falsePositives = 0;
    int servicesNamed = 0;
    int servicesRight = 0;
    std::vector<std::string> misses;  // one readable line per wrong result

    double recall() const { return positives ? double(found) / positives : 1.0; }
    double falsePositiveRate() const {
        return negatives ? double(falsePositives) / negatives : 0.0;
    }
    double serviceAgreement() const {
        return servicesNamed ? double(servicesRight) / servicesNamed : 1.0;
    }

    static CorpusFigures measure(const OTPParser& parser, const Corpus& corpus);
};

}  // namespace nabbit::test
