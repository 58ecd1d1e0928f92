#pragma once
// Typed signals and slots (signal0 .. signal4, has_slots), header-only.
//
// Guarantees beyond the classic library:
// - connecting or disconnecting during an emission is safe, also for the slot
//   being called and the next one: removed slots are skipped, slots connected
//   during an emission are first called by the next emission;
// - a signal (or the object owning it) may be destroyed by one of its slots;
//   the emission then stops at once;
// - a slot object disconnects itself from every signal when it is destroyed.
// Emitting allocates nothing.
#include <algorithm>
#include <cstddef>
#include <type_traits>
#include <utility>
#include <vector>

#ifndef SIGSLOT_DEFAULT_MT_POLICY
#define SIGSLOT_DEFAULT_MT_POLICY single_threaded
#endif

namespace sigslot {

// The engine is single-threaded where signals are used, so locking is empty.
class single_threaded {
public:
    single_threaded() = default;
    single_threaded(const single_threaded&) = default;
    single_threaded& operator=(const single_threaded&) = default;
    virtual ~single_threaded() = default;
    virtual void lock() {}
    virtual void unlock() {}
};

template <class mt_policy> class lock_block {
public:
    explicit lock_block(mt_policy* mutex) : m_mutex(mutex) { m_mutex->lock(); }
    ~lock_block() { m_mutex->unlock(); }
    lock_block(const lock_block&) = delete;
    lock_block& operator=(const lock_block&) = delete;

private:
    mt_policy* m_mutex;
};

template <class mt_policy> class has_slots;

template <class mt_policy> class _signal_base : public mt_policy {
public:
    virtual void slot_disconnect(has_slots<mt_policy>* pslot) = 0;
    virtual void slot_duplicate(const has_slots<mt_policy>* poldslot, has_slots<mt_policy>* pnewslot) = 0;
};

template <class mt_policy = SIGSLOT_DEFAULT_MT_POLICY> class has_slots : public mt_policy {
public:
    using sender_type = _signal_base<mt_policy>;

    has_slots() = default;

    // A copy receives every connection of the original.
    has_slots(const has_slots& other) : mt_policy(other)
    {
        lock_block<mt_policy> lock(this);
        std::vector<sender_type*> senders = other.m_senders;
        for (sender_type* sender : senders)
            sender->slot_duplicate(&other, this);
    }

    // Assignment keeps this object's own connections.
    has_slots& operator=(const has_slots&) { return *this; }

    virtual ~has_slots() { disconnect_all(); }

    void signal_connect(sender_type* sender)
    {
        lock_block<mt_policy> lock(this);
        if (std::find(m_senders.begin(), m_senders.end(), sender) == m_senders.end())
            m_senders.push_back(sender);
    }

    void signal_disconnect(sender_type* sender)
    {
        lock_block<mt_policy> lock(this);
        auto it = std::find(m_senders.begin(), m_senders.end(), sender);
        if (it != m_senders.end())
            m_senders.erase(it);
    }

    void disconnect_all()
    {
        lock_block<mt_policy> lock(this);
        std::vector<sender_type*> senders;
        senders.swap(m_senders);
        for (sender_type* sender : senders)
            sender->slot_disconnect(this);
    }

private:
    std::vector<sender_type*> m_senders;
};

template <class mt_policy, class... Args> class _connection_base {
public:
    virtual ~_connection_base() = default;
    virtual has_slots<mt_policy>* getdest() const = 0;
    virtual void emit(Args... args) = 0;
    virtual _connection_base* clone() const = 0;
    virtual _connection_base* duplicate(has_slots<mt_policy>* newdest) const = 0;
};

template <class dest_type, class mt_policy, class... Args>
class _connection : public _connection_base<mt_policy, Args...> {
public:
    using method_type = void (dest_type::*)(Args...);

    _connection(dest_type* object, method_type method) : m_object(object), m_method(method) {}

    has_slots<mt_policy>* getdest() const override { return m_object; }
    void emit(Args... args) override { (m_object->*m_method)(args...); }
    _connection_base<mt_policy, Args...>* clone() const override { return new _connection(*this); }
    _connection_base<mt_policy, Args...>* duplicate(has_slots<mt_policy>* newdest) const override
    {
        return new _connection(static_cast<dest_type*>(newdest), m_method);
    }

private:
    dest_type* m_object;
    method_type m_method;
};

template <class mt_policy, class... Args> class _signal_impl : public _signal_base<mt_policy> {
public:
    using connection_type = _connection_base<mt_policy, Args...>;

    _signal_impl() = default;

    // A copy is connected to the same slots.
    _signal_impl(const _signal_impl& other) : _signal_base<mt_policy>(other) { copy_from(other); }

    _signal_impl& operator=(const _signal_impl& other)
    {
        if (this != &other) {
            disconnect_all();
            copy_from(other);
        }
        return *this;
    }

    ~_signal_impl() override
    {
        if (m_dead_flag)
            *m_dead_flag = true;
        disconnect_all();
        reap();
    }

    template <class dest_type, class method_class>
    void connect(dest_type* pclass, void (method_class::*pmemfun)(Args...))
    {
        static_assert(std::is_base_of_v<method_class, dest_type>, "the slot must be a method of the object");
        static_assert(std::is_base_of_v<has_slots<mt_policy>, method_class>,
                      "the slot's class must derive from has_slots");
        lock_block<mt_policy> lock(this);
        m_connected.push_back(new _connection<method_class, mt_policy, Args...>(pclass, pmemfun));
        pclass->signal_connect(this);
    }

    // Removes every connection to the object.
    void disconnect(has_slots<mt_policy>* pclass)
    {
        lock_block<mt_policy> lock(this);
        if (remove_dest(pclass))
            pclass->signal_disconnect(this);
    }

    void disconnect_all()
    {
        lock_block<mt_policy> lock(this);
        for (std::size_t i = 0; i < m_connected.size(); ++i) {
            connection_type* conn = m_connected[i];
            if (!conn)
                continue;
            has_slots<mt_policy>* dest = conn->getdest();
            // Clear every entry of this object first so its back-link goes once.
            for (std::size_t j = i; j < m_connected.size(); ++j) {
                if (m_connected[j] && m_connected[j]->getdest() == dest)
                    retire(j);
            }
            dest->signal_disconnect(this);
        }
        compact_if_idle();
    }

    bool empty() const
    {
        return std::none_of(m_connected.begin(), m_connected.end(), [](const connection_type* c) { return c; });
    }

    std::size_t connection_count() const
    {
        return static_cast<std::size_t>(
            std::count_if(m_connected.begin(), m_connected.end(), [](const connection_type* c) { return c; }));
    }

    bool is_connected_to(const has_slots<mt_policy>* pclass) const
    {
        return std::any_of(m_connected.begin(), m_connected.end(),
                           [pclass](const connection_type* c) { return c && c->getdest() == pclass; });
    }

    void emit(Args... args)
    {
        this->lock();
        bool dead = false;
        bool* outer_flag = m_dead_flag;
        m_dead_flag = &dead;
        ++m_emit_depth;
        // Slots connected during this emission wait for the next one.
        const std::size_t count = m_connected.size();
        for (std::size_t i = 0; i < count; ++i) {
            connection_type* conn = m_connected[i];
            if (!conn)
                continue;
            conn->emit(args...);
            if (dead) {
                // The signal was destroyed by the slot: touch nothing of it.
                if (outer_flag)
                    *outer_flag = true;
                return;
            }
        }
        --m_emit_depth;
        m_dead_flag = outer_flag;
        compact_if_idle();
        this->unlock();
    }

    void operator()(Args... args) { emit(args...); }

    void slot_disconnect(has_slots<mt_policy>* pslot) override
    {
        lock_block<mt_policy> lock(this);
        remove_dest(pslot);
    }

    void slot_duplicate(const has_slots<mt_policy>* oldtarget, has_slots<mt_policy>* newtarget) override
    {
        lock_block<mt_policy> lock(this);
        const std::size_t count = m_connected.size();
        for (std::size_t i = 0; i < count; ++i) {
            connection_type* conn = m_connected[i];
            if (conn && conn->getdest() == oldtarget) {
                m_connected.push_back(conn->duplicate(newtarget));
                newtarget->signal_connect(this);
            }
        }
    }

private:
    void copy_from(const _signal_impl& other)
    {
        for (const connection_type* conn : other.m_connected) {
            if (!conn)
                continue;
            m_connected.push_back(conn->clone());
            conn->getdest()->signal_connect(this);
        }
    }

    bool remove_dest(const has_slots<mt_policy>* pclass)
    {
        bool found = false;
        for (std::size_t i = 0; i < m_connected.size(); ++i) {
            if (m_connected[i] && m_connected[i]->getdest() == pclass) {
                retire(i);
                found = true;
            }
        }
        compact_if_idle();
        return found;
    }

    // A removed connection may be the one running right now, so it is only
    // freed once no emission is under way.
    void retire(std::size_t index)
    {
        m_retired.push_back(m_connected[index]);
        m_connected[index] = nullptr;
    }

    void compact_if_idle()
    {
        if (m_emit_depth == 0) {
            m_connected.erase(std::remove(m_connected.begin(), m_connected.end(), nullptr), m_connected.end());
            reap();
        }
    }

    void reap()
    {
        for (connection_type* conn : m_retired)
            delete conn;
        m_retired.clear();
    }

    std::vector<connection_type*> m_connected;
    std::vector<connection_type*> m_retired;
    int m_emit_depth = 0;
    bool* m_dead_flag = nullptr;
};

template <class mt_policy = SIGSLOT_DEFAULT_MT_POLICY> class signal0 : public _signal_impl<mt_policy> {
};

template <class arg1_type, class mt_policy = SIGSLOT_DEFAULT_MT_POLICY>
class signal1 : public _signal_impl<mt_policy, arg1_type> {
};

template <class arg1_type, class arg2_type, class mt_policy = SIGSLOT_DEFAULT_MT_POLICY>
class signal2 : public _signal_impl<mt_policy, arg1_type, arg2_type> {
};

template <class arg1_type, class arg2_type, class arg3_type, class mt_policy = SIGSLOT_DEFAULT_MT_POLICY>
class signal3 : public _signal_impl<mt_policy, arg1_type, arg2_type, arg3_type> {
};

template <class arg1_type, class arg2_type, class arg3_type, class arg4_type,
          class mt_policy = SIGSLOT_DEFAULT_MT_POLICY>
class signal4 : public _signal_impl<mt_policy, arg1_type, arg2_type, arg3_type, arg4_type> {
};

} // namespace sigslot
