// Phantoms: the document with its elements, edited through the element
// form's values so that Python accepts exactly the ranges the workbench
// and the CLI accept.
#include <string>
#include <vector>

#include <pybind11/stl.h>

#include "phantom/Phantom.h"
#include "phantom/PhantomElement.h"
#include "phantom/PhantomElementForm.h"
#include "phantom/SheppLogan.h"
#include "python/Arrays.h"
#include "python/Bindings.h"
#include "python/Errors.h"

namespace py = pybind11;

namespace voxmill::python {
namespace {

std::unique_ptr<CPhantom> NewPhantom() {
    auto phantom = std::make_unique<CPhantom>();
    phantom->m_bAutoDelete = false;
    phantom->OnNewDocument();
    return phantom;
}

// Appends an element of `kindName` with the form's values; on a value out
// of range the element is taken out again and ValueError says which.
std::size_t AddElement(CPhantom& phantom, const std::string& kindName, const py::handle& scale,
                       const py::handle& angles, const py::handle& translation, double mu) {
    const CPhantom::ElementKind* kind = CPhantom::FindKind(kindName);
    if (!kind) ThrowValueError("unknown element kind '" + kindName + "' (ellipsoid or cylinder)");
    const std::vector<double> s = Triple<double>(scale, "scale");
    const std::vector<double> a = Triple<double>(angles, "angles");
    const std::vector<double> t = Triple<double>(translation, "translation");
    CPhantomElement* element = phantom.AddElement(kind->cls);
    if (!element) ThrowRuntimeError(std::string("cannot create a ") + kind->name);
    CPhantomElementForm form = CPhantomElementForm::FromElement(*element);
    for (int i = 0; i < 3; ++i) {
        form.scale[i] = s[i];
        form.angles[i] = a[i];
        form.translation[i] = t[i];
    }
    form.mu = mu;
    std::string error;
    if (!form.ApplyTo(*element, error)) {
        phantom.RemoveElement(element);
        ThrowValueError(error);
    }
    phantom.SetModifiedFlag();
    return phantom.GetCount() - 1;
}

CPhantomElement& ElementAt(const CPhantom& phantom, py::ssize_t index) {
    const auto count = static_cast<py::ssize_t>(phantom.GetCount());
    if (index < 0) index += count;
    if (index < 0 || index >= count)
        throw py::index_error("element index out of range (the phantom has " + std::to_string(count) +
                              " elements)");
    return *phantom.GetElement(static_cast<std::size_t>(index));
}

py::dict Describe(const CPhantomElement& element) {
    const CPhantomElementForm form = CPhantomElementForm::FromElement(element);
    const CPhantom::ElementKind* kind = CPhantom::KindOf(element);
    py::dict d;
    d["kind"] = kind ? kind->name : "?";
    d["scale"] = py::make_tuple(form.scale[0], form.scale[1], form.scale[2]);
    d["angles"] = py::make_tuple(form.angles[0], form.angles[1], form.angles[2]);
    d["translation"] = py::make_tuple(form.translation[0], form.translation[1], form.translation[2]);
    d["mu"] = static_cast<double>(element.m_mu);
    return d;
}

const char* const kElementArgs =
    "scale: three semi-axes (ellipsoid) or radii and half height (cylinder), 0 to 1 each;\n"
    "angles: Euler angles phi, theta, psi in degrees, 0 to 360 each;\n"
    "translation: the centre, -1 to 1 each; mu: attenuation per world unit, -2 to 2.\n"
    "Returns the new element's index. ValueError names the first value out of range,\n"
    "and the phantom is left as it was.";

}  // namespace

void BindPhantom(py::module_& m) {
    py::class_<CPhantom> phantom(m, "Phantom", R"doc(
A phantom: an ordered list of ellipsoids and truncated cylinders, each with
scale, rotation (degrees), translation and MU. Where elements overlap their
MU add up. Saved and loaded as .pha files.)doc");
    phantom.def(py::init(&NewPhantom), "An empty phantom.")
        .def_static(
            "load", [](const py::object& path) { return OpenDocument<CPhantom>(PathText(path)); }, py::arg("path"),
            "Reads a .pha file. FileNotFoundError when it is missing, ValueError when it is malformed.")
        .def(
            "save", [](CPhantom& self, const py::object& path) { SaveDocumentTo(self, PathText(path)); },
            py::arg("path"), "Writes the phantom as a .pha file; a failed save keeps the previous file.")
        .def(
            "add",
            [](CPhantom& self, const std::string& kind, const py::object& scale, const py::object& angles,
               const py::object& translation, double mu) {
                return AddElement(self, kind, scale, angles, translation, mu);
            },
            py::arg("kind"), py::arg("scale") = py::make_tuple(1.0, 1.0, 1.0),
            py::arg("angles") = py::make_tuple(0.0, 0.0, 0.0), py::arg("translation") = py::make_tuple(0.0, 0.0, 0.0),
            py::arg("mu") = 1.0,
            (std::string("Appends an element of that kind, 'ellipsoid' or 'cylinder'.\n") + kElementArgs).c_str())
        .def(
            "add_ellipsoid",
            [](CPhantom& self, const py::object& scale, const py::object& angles, const py::object& translation,
               double mu) { return AddElement(self, "ellipsoid", scale, angles, translation, mu); },
            py::arg("scale") = py::make_tuple(1.0, 1.0, 1.0), py::arg("angles") = py::make_tuple(0.0, 0.0, 0.0),
            py::arg("translation") = py::make_tuple(0.0, 0.0, 0.0), py::arg("mu") = 1.0,
            (std::string("Appends an ellipsoid.\n") + kElementArgs).c_str())
        .def(
            "add_cylinder",
            [](CPhantom& self, const py::object& scale, const py::object& angles, const py::object& translation,
               double mu) { return AddElement(self, "cylinder", scale, angles, translation, mu); },
            py::arg("scale") = py::make_tuple(1.0, 1.0, 1.0), py::arg("angles") = py::make_tuple(0.0, 0.0, 0.0),
            py::arg("translation") = py::make_tuple(0.0, 0.0, 0.0), py::arg("mu") = 1.0,
            (std::string("Appends a truncated cylinder.\n") + kElementArgs).c_str())
        .def(
            "remove", [](CPhantom& self, py::ssize_t index) { self.RemoveElement(&ElementAt(self, index)); },
            py::arg("index"), "Removes the element at index (negative counts from the end); IndexError otherwise.")
        .def("__len__", &CPhantom::GetCount, "The number of elements.")
        .def(
            "__getitem__", [](const CPhantom& self, py::ssize_t index) { return Describe(ElementAt(self, index)); },
            "The element at index as a dict: kind, scale, angles (degrees), translation, mu.")
        .def_property_readonly(
            "elements",
            [](const CPhantom& self) {
                py::list list;
                for (std::size_t i = 0; i < self.GetCount(); ++i) list.append(Describe(*self.GetElement(i)));
                return list;
            },
            "Every element as a dict, in list order.")
        .def("__repr__", [](const CPhantom& self) {
            return "<voxmill.Phantom with " + std::to_string(self.GetCount()) + " elements>";
        });

    m.def(
        "shepp_logan",
        [] {
            std::unique_ptr<CPhantom> p = NewPhantom();
            AddSheppLogan(*p);
            return p;
        },
        "The 3-D Shepp-Logan head phantom (ten ellipsoids, head axis along y), as `voxmill-cli phantom "
        "shepp-logan` writes it.");
    m.def(
        "read_pha", [](const py::object& path) { return OpenDocument<CPhantom>(PathText(path)); }, py::arg("path"),
        "Reads a .pha file (the same as Phantom.load).");
}

}  // namespace voxmill::python
