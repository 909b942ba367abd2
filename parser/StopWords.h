#pragma once

#include <string>
#include <unordered_set>

namespace nabbit {

// English and French filler words that a service-name pattern may pick up ('code from the
// bank'); such a word is never a service name. Built once per process on first use.
const std::unordered_set<std::string>& stopWords();

// Words, in the languages of the shipped files, that name no service: generic senders
// ('alert', 'info', 'notification'), what a code message is about ('code', 'account',
// 'login'), fillers and pronouns. A name found by the later ways of naming the sender is
// stripped of them at both ends and refused when nothing else is left.
const std::unordered_set<std::string>& genericNameWords();

// Greetings: a name that starts with one ('hi jane') is a person, not a service.
const std::unordered_set<std::string>& greetingWords();

}  // namespace nabbit
