#pragma once

#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

#include "core/PreferencesStore.h"

namespace nabbit {

// `nabbit defaults`: reads, writes and deletes preferences with the verbs and type flags of the
// macOS defaults tool.
//   read [KEY]                       one value, or every key and value
//   write KEY -bool|-int|-string V   store a value
//   delete KEY                       remove a key
// Exit status: 0 done; 1 the key does not exist or the file could not be written; 2 refused
// (usage, a key outside "com.nabbit.app.", a bad type flag or value), with nothing written.
class DefaultsCommand {
  public:
    static constexpr int done = 0;
    static constexpr int failed = 1;
    static constexpr int refused = 2;

    explicit DefaultsCommand(PreferencesStore store = {});

    int run(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err) const;

    static std::string_view usage();

  private:
    int read(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err) const;
    int write(const std::vector<std::string>& arguments, std::ostream& err) const;
    int remove(const std::vector<std::string>& arguments, std::ostream& err) const;

    PreferencesStore store_;
};

}  // namespace nabbit
