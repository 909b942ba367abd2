#pragma once

namespace nabbit {

// Something a platform facility keeps in place for us (a key grab, a monitor, an event
// handler) for as long as the object lives; dropping it undoes the registration.
class Registration {
  public:
    virtual ~Registration() = default;
};

}  // namespace nabbit
