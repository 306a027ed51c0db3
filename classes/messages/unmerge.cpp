// unmerge: cuts a list into n groups of a fixed size, one outlet each, plus a
// last outlet for what lies past them. Outputs run right to left. With -trim a
// group led by a symbol goes out as a message with that selector.
#include "vesh.hpp"
#include "atoms.hpp"

#include <algorithm>

namespace {

struct t_unmerge {
    t_object x_obj;
    int count;  // groups
    t_float size;
    int trim;
    t_outlet **outlets;  // count + 1
};

t_class *unmerge_class;

inline void unmerge_group(t_unmerge *x, t_outlet *out, int argc, t_atom *argv) {
    if (argv[0].a_type == A_FLOAT) {
        if (argc == 1) {
            outlet_float(out, argv[0].a_w.w_float);
        } else {
            outlet_list(out, &s_list, argc, argv);
        }
    } else if (argv[0].a_type == A_SYMBOL) {
        if (x->trim) {
            outlet_anything(out, argv[0].a_w.w_symbol, argc - 1, argv + 1);
        } else {
            outlet_list(out, &s_list, argc, argv);
        }
    }
}

void unmerge_list(t_unmerge *x, t_symbol *, int argc, t_atom *argv) {
    // Sizes below 2 (NaN too) truncate to 1; one comparison for the usual case.
    const t_float f = x->size;
    // 64 bits: a large group size times the group count must not wrap.
    const long long size = f >= 2 ? vesh::to_index(f) : 1;
    const long long m = argc;
    const long long span = size * x->count;
    if (span < m) unmerge_group(x, x->outlets[x->count], static_cast<int>(m - span), argv + span);
    // Groups at or past the end of a short list are empty and send nothing.
    const long long filled = span <= m ? x->count : (m + size - 1) / size;
    for (auto j = static_cast<int>(filled) - 1; j >= 0; j--) {
        const long long begin = j * size;
        const long long end = std::min(m, begin + size);
        unmerge_group(x, x->outlets[j], static_cast<int>(end - begin), argv + begin);
    }
}

void unmerge_float(t_unmerge *x, t_floatarg f) {
    outlet_float(x->outlets[0], f);
}

void unmerge_symbol(t_unmerge *x, t_symbol *s) {
    outlet_symbol(x->outlets[0], s);
}

void unmerge_anything(t_unmerge *x, t_symbol *s, int argc, t_atom *argv) {
    vesh::Scratch<t_atom> list(argc + 1);
    t_atom *atoms = list.get();
    if (!atoms) {
        pd_error(x, "unmerge: out of memory");
        return;
    }
    SETSYMBOL(&atoms[0], s);
    std::copy(argv, argv + argc, atoms + 1);
    unmerge_list(x, &s_list, argc + 1, atoms);
}

void unmerge_free(t_unmerge *x) {
    if (x->outlets) freebytes(x->outlets, (x->count + 1) * sizeof(t_outlet *));
}

t_unmerge *unmerge_new(t_symbol *, int argc, t_atom *argv) {
    t_float count = 2, size = 0;
    int trim = 0;
    if (argc <= 3) {
        for (int i = 0; i < argc; i++) {
            if (argv[i].a_type == A_SYMBOL) {
                if (argv[i].a_w.w_symbol != gensym("-trim")) {
                    return vesh::improper_args<t_unmerge>("[unmerge]: improper args");
                }
                trim = 1;
            } else if (argv[i].a_type == A_FLOAT) {
                if (i == 0) count = argv[i].a_w.w_float;
                if (i == 1) size = argv[i].a_w.w_float;
            }
        }
    }
    auto *x = vesh::new_object<t_unmerge>(unmerge_class);
    x->count = vesh::to_count(count, 2, 512);
    x->size = size;
    x->trim = trim;
    x->outlets = static_cast<t_outlet **>(getbytes((x->count + 1) * sizeof(t_outlet *)));
    if (!x->outlets) {
        pd_error(nullptr, "unmerge: out of memory");
        pd_free(&x->x_obj.ob_pd);
        return nullptr;
    }
    vesh::float_inlet(&x->x_obj, &x->size);
    for (int i = 0; i <= x->count; i++) x->outlets[i] = outlet_new(&x->x_obj, &s_anything);
    return x;
}

}  // namespace

VESH_SETUP {
    unmerge_class = vesh::new_class(VESH_CLASS_NAME, unmerge_new, unmerge_free);
    vesh::add_float(unmerge_class, unmerge_float);
    vesh::add_symbol(unmerge_class, unmerge_symbol);
    vesh::add_list(unmerge_class, unmerge_list);
    vesh::add_anything(unmerge_class, unmerge_anything);
}
