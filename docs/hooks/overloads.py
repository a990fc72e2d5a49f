"""Griffe extension: a name that a stub defines only through @overload is
documented as one function whose signatures are the overloads.

Griffe keeps overloads aside until it meets the implementation they belong
to; a stub has none, so without this the overloaded functions and methods
(most of quorlibcore's) would be missing from the reference. The function
takes the docstring of its first documented overload: the stubs repeat the
same docstring on every overload, and it is shown once.
"""
import griffe


class StubOverloads(griffe.Extension):
    def on_members(self, *, obj: griffe.Object, **kwargs) -> None:
        for name, overloads in list(obj.overloads.items()):
            if not overloads or name in obj.members:
                continue
            documented = next((o for o in overloads if o.docstring), overloads[0])
            function = griffe.Function(name, lineno=overloads[0].lineno, endlineno=overloads[-1].endlineno,
                                       returns=documented.returns, docstring=documented.docstring,
                                       parent=obj, analysis="static")
            function.overloads = overloads
            obj.set_member(name, function)
            del obj.overloads[name]
