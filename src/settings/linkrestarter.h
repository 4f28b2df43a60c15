#pragma once

// What the settings store needs of the acquisition object: a way to make it
// reopen the station link after a link setting changed. Tests fake it.
class LinkRestarter
{
public:
    virtual ~LinkRestarter() = default;
    virtual void restart() = 0;
};
