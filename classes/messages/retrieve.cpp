// retrieve: fetches the values held by the objects bound to a name, or fed by
// the receivers of that name: for the length of one bang their leftmost
// outlets send to this object's outlet instead, and they are banged.
#include <cstring>

#include "vesh.hpp"

// The host's outlet traversal; its header has no C++ linkage block.
extern "C" {
#include <m_imp.h>
}

namespace {

// The host's records behind a name that several objects are bound to, and
// behind an outlet. Their layouts are the host's own (the same in every host
// version the library supports); only their heads are read or written here.
struct t_bind_entry {
    t_pd *who;
    t_bind_entry *next;
};

struct t_bind_list {
    t_pd pd;
    t_bind_entry *entries;
};

struct t_outlet_record {
    t_object *owner;
    t_outlet *next;
    t_outconnect *connections;
    t_symbol *type;
};

t_outconnect *&connections_of(t_outlet *o) {
    return reinterpret_cast<t_outlet_record *>(o)->connections;
}

struct t_retrieve {
    t_object x_obj;
    t_symbol *name;  // null until set
    t_outlet **redirected;
    t_outconnect **saved;  // each redirected outlet's own connections
    int capacity;
    int busy;
};

t_class *retrieve_class;
t_class *bind_list_class;  // the host's, found at setup; null when not found

void retrieve_release(t_retrieve *x) {
    const auto bytes = static_cast<std::size_t>(x->capacity) * sizeof(void *);
    if (x->redirected) freebytes(x->redirected, bytes);
    if (x->saved) freebytes(x->saved, bytes);
    x->redirected = nullptr;
    x->saved = nullptr;
    x->capacity = 0;
}

// Both tables hold at least n entries. Their contents are rebuilt at each
// bang, so a larger pair simply replaces the old one.
bool retrieve_reserve(t_retrieve *x, int n) {
    if (n <= x->capacity) return true;
    const auto bytes = static_cast<std::size_t>(n) * sizeof(void *);
    auto *outlets = static_cast<t_outlet **>(getbytes(bytes));
    auto *saved = static_cast<t_outconnect **>(getbytes(bytes));
    if (!outlets || !saved) {
        if (outlets) freebytes(outlets, bytes);
        if (saved) freebytes(saved, bytes);
        pd_error(x, "retrieve: error allocating memory");
        return false;
    }
    retrieve_release(x);
    x->redirected = outlets;
    x->saved = saved;
    x->capacity = n;
    return true;
}

// Redirects the leftmost outlet of `target`, when it has one; returns the count
// of outlets redirected so far.
int retrieve_redirect(t_retrieve *x, t_object *target, int count) {
    t_outlet *out = nullptr;
    obj_starttraverseoutlet(target, &out, 0);
    if (!out) return count;
    x->redirected[count] = out;
    x->saved[count] = connections_of(out);
    connections_of(out) = connections_of(x->x_obj.ob_outlet);
    return count + 1;
}

// Bangs `remote` with the recorded outlets redirected, then gives every one its
// own connections back, last first.
void retrieve_bang_redirected(t_retrieve *x, t_pd *remote, int count) {
    if (count == 0) return;
    pd_bang(remote);
    while (count-- > 0) connections_of(x->redirected[count]) = x->saved[count];
}

// A receiver: what its leftmost outlet feeds sends to us while it is banged.
void retrieve_through_receiver(t_retrieve *x, t_pd *remote, t_object *receiver) {
    t_outlet *out = nullptr;
    t_outconnect *c = obj_starttraverseoutlet(receiver, &out, 0);
    int n = 0;
    for (t_outconnect *k = c; k; n++) {
        t_object *target;
        t_inlet *inlet;
        int which;
        k = obj_nexttraverseoutlet(k, &target, &inlet, &which);
    }
    if (n == 0 || !retrieve_reserve(x, n)) return;
    int count = 0;
    while (c) {
        t_object *target = nullptr;
        t_inlet *inlet = nullptr;
        int which = 0;
        c = obj_nexttraverseoutlet(c, &target, &inlet, &which);
        if (which != 0) {
            pd_error(x, "[retrieve]: remote receive object must feed leftmost inlet");
            continue;
        }
        count = retrieve_redirect(x, target, count);
    }
    retrieve_bang_redirected(x, remote, count);
}

// Any other patchable object (a number box with a receive name): its own
// leftmost outlet sends to us. One without outlets (send~) is left alone.
void retrieve_from_object(t_retrieve *x, t_pd *remote, t_object *object) {
    if (!retrieve_reserve(x, 1)) return;
    retrieve_bang_redirected(x, remote, retrieve_redirect(x, object, 0));
}

void retrieve_from(t_retrieve *x, t_pd *remote) {
    t_object *object = pd_checkobject(remote);
    if (!object) return;
    const char *name = class_getname(pd_class(remote));
    if (!std::strcmp(name, "receive") || !std::strcmp(name, "receiver")) {
        retrieve_through_receiver(x, remote, object);
    } else {
        retrieve_from_object(x, remote, object);
    }
}

// A bang that comes back while the outlets are redirected is ignored: it
// would reuse the tables the outer bang still has to restore from.
void retrieve_bang(t_retrieve *x) {
    if (x->busy || !x->name || !bind_list_class) return;
    t_pd *bound = x->name->s_thing;
    if (!bound) return;
    x->busy = 1;
    if (*bound == bind_list_class) {
        for (t_bind_entry *e = reinterpret_cast<t_bind_list *>(bound)->entries; e; e = e->next)
            retrieve_from(x, e->who);
    } else {
        retrieve_from(x, bound);
    }
    x->busy = 0;
}

void retrieve_set(t_retrieve *x, t_symbol *s) {
    if (s != &s_) x->name = s;
}

t_retrieve *retrieve_new(t_symbol *name) {
    auto *x = vesh::new_object<t_retrieve>(retrieve_class);
    x->name = name != &s_ ? name : nullptr;
    outlet_new(&x->x_obj, &s_anything);
    return x;
}

void retrieve_free(t_retrieve *x) {
    retrieve_release(x);
}

// The host keeps the class of its bind lists to itself: bind two receivers to
// one name and look at what the name then holds.
void retrieve_find_bind_list_class() {
    struct t_probe {
        t_pd pd;
    };
    // Kept, as every class is: the host holds on to it for good.
    static t_class *probe = vesh::new_proxy_class<t_probe>("retrieve probe");
    t_symbol *s = gensym("retrieve");
    t_pd *a = pd_new(probe), *b = pd_new(probe);
    pd_bind(a, s);
    pd_bind(b, s);
    if (s->s_thing && !std::strcmp(class_getname(*s->s_thing), "bindlist")) {
        bind_list_class = *s->s_thing;
    } else {
        pd_error(nullptr, "retrieve: failure to initialize remote retrievebing feature");
    }
    pd_unbind(a, s);
    pd_unbind(b, s);
    pd_free(a);
    pd_free(b);
}

}  // namespace

VESH_SETUP {
    retrieve_class = vesh::new_class(VESH_CLASS_NAME, retrieve_new, retrieve_free);
    vesh::add_bang(retrieve_class, retrieve_bang);
    vesh::add_method_defaults(retrieve_class, "set", retrieve_set);
    retrieve_find_bind_list_class();
}
