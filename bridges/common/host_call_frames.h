#pragma once
// An add-in's host calls on its host's thread, as that thread's frames: while one runs, the
// owner of the add-in's object (a bridge's adapter) is kept, and an end of the object asked
// for meanwhile waits (NativeAddIn, com_addin::AddInConnection). When the outermost frame is
// such a host call, the object is still running its own code when it returns: the end runs
// later on that thread, through the owner.

// Told of every host call made on the host's thread. Calls from the add-in's own threads
// are no frame of the host's thread: their end is the caller's to wait for.
class HostCallFrames {
public:
    virtual void hostCallBegins() = 0;
    // May end the owner's life; nothing of it is touched afterwards.
    virtual void hostCallEnds() = 0;

protected:
    ~HostCallFrames() = default;
};

// What owns the object (a bridge's adapter), on the host's thread.
class FrameOwner {
public:
    // A reference to the owner, for the length of one host call of the object.
    virtual void keepOwner() = 0;
    // Gives it back; false when that ended the owner, and what it holds with it.
    virtual bool releaseOwner() = 0;
    // Runs the end that a host call deferred later on the host's thread, keeping the owner
    // until then; false when it cannot (the end then waits for the next one asked for, or for
    // the owner's own end).
    virtual bool endLater() = 0;

protected:
    ~FrameOwner() = default;
};

// The object's host calls under way on the host's thread, each keeping the owner.
class HostFrameCount {
public:
    explicit HostFrameCount(FrameOwner* owner) : m_owner(owner) {}

    int depth() const { return m_depth; }
    void begins() {
        if (m_owner != nullptr) m_owner->keepOwner();
        ++m_depth;
    }
    // `endWaits`: an end was asked for and no call into the object is under way, so the
    // outermost host call hands it to the owner's later run. The frame stays counted while
    // the owner's reference goes: should that be its last, the owner ends inside the object's
    // call, and its end there only gives the object up. Nothing of this is touched after an
    // owner that ended.
    void ends(bool endWaits) {
        if (m_owner == nullptr) {
            --m_depth;
            return;
        }
        if (m_depth == 1 && endWaits) m_owner->endLater();
        if (m_owner->releaseOwner()) --m_depth;
    }

private:
    FrameOwner* const m_owner;
    int m_depth = 0;
};
