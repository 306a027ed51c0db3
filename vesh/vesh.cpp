// vesh: the library object. Loading it prints the banner once; a [vesh] box
// answers "about" (the banner again) and "version" (1 0 0 beta 42).
#include "vesh.hpp"
#include "version.hpp"

namespace {

struct t_vesh_obj {
    t_object x_obj;
};

t_class *vesh_obj_class;
int banner_printed;

constexpr const char *rule_line =
    "-------------------------------------------------------------------------------";

void print_title() {
    post("- VESH %s %s-%d (%s)", vesh::version_text, vesh::release_tag, vesh::build_number,
         vesh::release_date);
}

// `owner` is the object an upgrade warning is attributed to.
void print_vesh_obj(t_object *owner) {
    vesh::host_version have = {0, 0, 0};
    sys_getversion(&have.major, &have.minor, &have.patch);
    const vesh::host_version need = vesh::required_host;

    post("%s", rule_line);
    print_title();
    post("- Released under the BSD 3-Clause License (see LICENSE)");
    post("%s", rule_line);
    if (vesh::host_is_recent_enough(have)) {
        post("- VESH %s %s-%d needs at least Pd %d.%d-%d (you have %d.%d-%d, you're good!)",
             vesh::version_text, vesh::release_tag, vesh::build_number, need.major, need.minor,
             need.patch, have.major, have.minor, have.patch);
    } else {
        pd_error(owner,
                 "- VESH %s %s-%d needs at least Pd %d.%d-%d (you have %d.%d-%d, please "
                 "upgrade!)",
                 vesh::version_text, vesh::release_tag, vesh::build_number, need.major, need.minor,
                 need.patch, have.major, have.minor, have.patch);
    }
    post("- tested with Pd %s", vesh::tested_hosts_text);
    post("%s", rule_line);
    post("- NOTE: This library also includes examples that depend on");
    post("this library. Find the 'examples' folder inside the 'vesh' folder");
    post("and open 'demo.pd' there to hear it!");
    post("%s", rule_line);
    post("- ALSO NOTE: Loading this binary did not install the VESH library, you still");
    post("need to add it to the \"preferences=>path\" or use [declare -path vesh]");
    post("%s", rule_line);
    print_title();
    post("%s", rule_line);
    post("");
    banner_printed = 1;
}

// Attributes the load-time banner's error line; made once, never freed.
t_object *banner_owner;

t_vesh_obj *vesh_obj_new() {
    auto *x = vesh::new_object<t_vesh_obj>(vesh_obj_class);
    if (!banner_printed) print_vesh_obj(&x->x_obj);
    outlet_new(&x->x_obj, nullptr);
    return x;
}

void vesh_obj_about(t_vesh_obj *x) {
    print_vesh_obj(&x->x_obj);
}

void vesh_obj_version(t_vesh_obj *x) {
    t_atom v[5];
    SETFLOAT(&v[0], 1);
    SETFLOAT(&v[1], 0);
    SETFLOAT(&v[2], 0);
    SETSYMBOL(&v[3], gensym(vesh::release_tag));
    SETFLOAT(&v[4], vesh::build_number);
    outlet_list(x->x_obj.ob_outlet, &s_list, 5, v);
}

}  // namespace

VESH_SETUP {
    vesh_obj_class = vesh::new_class<t_vesh_obj>(VESH_CLASS_NAME, vesh_obj_new, nullptr);
    banner_owner = reinterpret_cast<t_object *>(pd_new(vesh_obj_class));
    vesh::add_method(vesh_obj_class, "about", vesh_obj_about);
    vesh::add_method(vesh_obj_class, "version", vesh_obj_version);
    if (!banner_printed) print_vesh_obj(banner_owner);
}
